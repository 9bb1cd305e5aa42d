#pragma once
// StripDisplay: the strip area of the main window (caption line, detail
// view, overview). Each view is one StripSheet that paints the strip scene
// of the shown entry (the same composition as the strip image) and hands
// its pointer and key events to the display, which finds the cell under the
// pointer by geometry. The display keeps the view state: the view mode, the
// toolbar-in-use mark, which cell commands are available and the cell
// selection (CellSelection). The only widgets on a sheet are the in-place
// editors. The display also knows which entry is shown: the document holds
// lines only. The document commands reach the views only through clear(),
// showEntry() and commitPendingEdit().

#include "platform/fixed4.h"
#include "register/geometry.h"
#include "register/stripwalk.h"
#include "strip/stripimage.h"

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QAction>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QLabel;
class QMenu;
class QMouseEvent;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;
class CellSelection;
class RegisterDocument;

class StripDisplay;

// One view's sheet: paints the part of the strip it is asked to through the
// display. Its events go to the display's event filter; a screen reader
// reads its cells through the display (stripaccessible.h).
class StripSheet : public QWidget
{
    Q_OBJECT

public:
    explicit StripSheet(QWidget *parent = nullptr);
    std::function<void(QPainter &, const QRect &)> paintScene;
    const StripDisplay *display() const { return m_display; }
    strip::View view() const { return m_view; }
    void setDisplay(const StripDisplay *display, strip::View view)
    {
        m_display = display;
        m_view = view;
    }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const StripDisplay *m_display = nullptr;
    strip::View m_view = strip::View::Detail;
};

class StripDisplay : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Detail, Overview };

    // The cell commands of the Edit menu and the two cell pop-up menus.
    enum CellCommand {
        EditCut = 0x1,
        EditCopy = 0x2,
        EditPaste = 0x4,
        EditDelete = 0x8,
        EditPicOn = 0x10,
        EditPicOff = 0x20,
        EditAllSel = 0x40,
        EditSelReset = 0x80,
        EditFind = 0x100,
        EditReplace = 0x200,
        PopupCut = 0x400,
        PopupCopy = 0x800,
        PopupPaste = 0x1000,
        PopupDelete = 0x2000,
        PopupPicOn = 0x4000,
        PopupPicOff = 0x8000,
    };
    Q_DECLARE_FLAGS(CellCommands, CellCommand)

    static constexpr CellCommands NoCellCommands = {};
    static CellCommands allCellCommands();
    // After a click on a text image: everything but detaching a picture.
    static CellCommands textCellCommands();
    // After a click on a picture image: only detaching the picture.
    static CellCommands pictureCellCommands();
    // Several cells selected: only those that work on a selection.
    static CellCommands selectionCellCommands();

    struct Widgets
    {
        QWidget *area = nullptr;           // viewPane
        QLabel *caption = nullptr;         // entryCaption
        QStackedWidget *views = nullptr;   // holds a blank page and the two views
        QScrollArea *detail = nullptr;     // detailScroll
        StripSheet *detailSheet = nullptr; // detailSheet
        QScrollArea *overview = nullptr;   // overviewScroll
        StripSheet *overviewSheet = nullptr; // overviewSheet
        QMenu *textPopup = nullptr;        // cellMenu
        QMenu *picturePopup = nullptr;     // pictureMenu
    };

    // One cell in both views (index 0 detail, 1 overview).
    struct CellElements
    {
        bool blankKeyCode = false;
        bool keyNumberShown = false;
        bool showsPicture = false;
        QRect textRect[2];  // text area in each view
        QRect frameRect[2]; // selection frame and editor
        QRect keyNumberRect[2];
        QPlainTextEdit *editor = nullptr; // detail view only, made when first needed
        bool editorShown = false;         // the editor shows in place of the frame
    };

    // What lies under a point of a view, topmost first: a cell's text area
    // (its text or its picture), a selection frame, a key number, the sheet.
    enum class Part { None, Text, Picture, Frame, KeyNumber, Sheet };
    struct Hit
    {
        Part part = Part::None;
        int cell = -1;
        bool operator==(const Hit &) const = default;
    };
    Hit hitTest(strip::View view, const QPoint &pos) const;

    StripDisplay(RegisterDocument &document, const Widgets &widgets, QObject *parent = nullptr);
    ~StripDisplay() override;

    // --- state ---
    int cellCount() const { return m_cellCount; }
    // The selection of the shown strip; the toolbar follows its current cell.
    CellSelection &selection() { return *m_selection; }
    int currentCell() const;
    bool isSelected(int cell) const;
    bool isAssignable(int cell) const;
    int commandCell() const;
    int selectedCount() const;
    QList<int> selectedCells() const;
    Mode mode() const { return m_mode; }
    bool detailActive() const { return m_mode == Mode::Detail; }
    CellCommands cellCommands() const { return m_commands; }
    // `action` is enabled exactly while `command` is among cellCommands().
    void followCellCommand(QAction *action, CellCommand command);
    bool toolbarInUse() const { return m_toolbarInUse; }
    void setToolbarInUse(bool on) { m_toolbarInUse = on; }
    bool modifierPress() const { return m_modifierPress; }
    QString captionText() const;
    // What a screen reader says of a cell: its key number, then its text
    // lines (or that it shows a picture).
    QString cellDescription(int index) const;
    // The cell's frame on the sheet of a view.
    QRect cellRect(strip::View view, int index) const;
    const CellElements &cell(int index) const { return m_cells.at(size_t(index)); }
    // Overview rectangle of section k as stored by the build (zero when unused).
    strip::EdgeRect sectionRect(int k) const { return m_sectionRects.at(size_t(k)); }
    // The view that is shown: nullptr when neither is.
    QScrollArea *visibleView() const;

    // Mode restored from the settings, before anything is shown.
    void setInitialMode(Mode mode) { m_mode = mode; }

    // --- display ---
    // Destroys every cell element and resets the display state; no entry is
    // shown.
    void clear();
    // The display follows the document by itself: a reset empties it; a
    // change of the shown entry's header or cells, once complete
    // (RegisterEvents::changesApplied), redraws the caption and the cells
    // that changed, and rebuilds the strip when its layout changed.
    // Builds and shows entry `number` (counted from 1); nothing is shown when
    // the register has no such entry.
    void showEntry(int number);
    // Builds the shown entry again.
    void showEntry();
    // The shown entry: its number and the line of its header (the line after
    // its marker), 0 when none is shown.
    int shownEntryNumber() const { return m_shownEntry; }
    int shownHeaderLine() const { return m_shownHeader; }
    // Rewrites the caption line from the current entry's header, e.g. after
    // its header was edited.
    void refreshCaption();
    // Renders cell i again from its record and redraws it in both views.
    void renderCell(int index);
    // The in-place editor of cell i (hidden until editing), loaded from the
    // record: its font, colours and text lines.
    QPlainTextEdit *editor(int index);
    // In the editor a line break is one character: removes only the break
    // that loading leaves after the last line, so that the caret does not
    // start on an empty last line, and marks the text unchanged.
    static void dropLoadedBreak(QPlainTextEdit *editor);
    // Reloads an editor that exists from the record: format and lines, or
    // the format alone (an open edit keeps its text).
    void reloadEditor(int index);
    void restyleEditor(int index);
    // Shows the editor over the cell in place of its frame, or hides it and
    // shows the frame again.
    void setEditorShown(int index, bool shown);

    // --- for the cell commands ---
    void setCellCommands(CellCommands commands);
    // Clears every selection flag, then selects `cell`.
    void selectOnly(int cell);
    // Selects every built cell that is an assignable key.
    void selectAllCells();
    // Selects these cells (the first becomes current and, in the detail
    // view, is brought into view), as after undoing a change to them.
    void selectCells(const QList<int> &cells);
    // The cell becomes current and the toolbar follows it.
    void makeCurrent(int cell);
    // Enters an assignable key shown in the detail view: the focus moves to
    // the detail sheet (which ends an open edit) and the cell becomes current
    // and the only one selected.
    void focusCell(int cell);

    // Ends an in-place edit before a command reads or replaces the register.
    void commitPendingEdit();

    // View commands.
    void showDetail();
    void showOverview();
    void openCellInDetail(int cell);

    // Scrolling of the active view: kind 1 centres horizontally, kind 2
    // positions vertically by the cell, kind 3 does both.
    void positionScrolling(int kind, int cell);

Q_SIGNALS:
    void modeChanged(StripDisplay::Mode mode);
    void cellCommandsChanged(StripDisplay::CellCommands commands);
    // A double-click asks to edit the cell's text, or to attach a picture.
    void editRequested(int cell);
    void attachPictureRequested(int cell);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setMode(Mode mode);
    void finish();
    void showView(QScrollArea *view);
    QScrollArea *activeArea() const;
    StripSheet *activeSheet() const;
    void destroyElements();
    void buildEntry();
    void buildCell(const strip::Section &section, const strip::Cell &cell);
    void prepareEditor(int index, int record);
    void loadEditor(QPlainTextEdit *editor, int record);
    void styleEditor(QPlainTextEdit *editor, int record);
    void placeEditor(CellElements &e);
    void renderCellAt(int index, int record);
    void paintView(strip::View view, QPainter &painter, const QRect &exposed) const;
    void clearView();
    // Lines changed since the shown strip was last drawn, as [first, end)
    // in the document as it now stands (an empty range: lines taken out).
    void noteEdit(int at, int removed, int added);
    bool touched(int first, int end, bool endInclusive = false) const;
    void followDocument();
    void updateCell(int cell);
    void updateFrames(const QList<int> &cells);
    bool cellShown(int cell) const;

    void focusStripThenCurrent();
    void enterCell(int cell);
    void tabToCell(bool backward);

    // Pointer rules.
    void textPress(int cell, QMouseEvent *event);
    void textClick(int cell);
    void picturePress(int cell, QMouseEvent *event);
    void pictureClick(int cell);
    void sheetClick(bool detail);
    void overviewSheetDoubleClick(const QPoint &pos);
    bool pointerEvent(strip::View view, QMouseEvent *event);

    RegisterDocument &m_doc;
    int m_shownEntry = 0;
    int m_shownHeader = 0;
    Widgets m_w;
    CellSelection *m_selection;
    Mode m_mode = Mode::Overview;
    strip::SheetGeometry m_geometry;
    strip::StripScene m_scene;
    strip::StripScene m_previousScene;
    int m_cellCount = 0;
    std::vector<CellElements> m_cells;
    std::array<strip::EdgeRect, regfmt::MaxSections> m_sectionRects{};
    CellCommands m_commands;
    std::vector<std::pair<QPointer<QAction>, CellCommand>> m_commandActions;
    bool m_toolbarInUse = false;
    bool m_modifierPress = false;
    Hit m_pressed; // what a press was on, for its click
    bool m_building = false;
    bool m_documentChanged = false; // since the snapshot
    std::vector<std::pair<int, int>> m_changed;
    bool m_changedTooMuch = false; // more ranges than are worth keeping apart
    int m_builtSections = 0;
    bool m_builtWhole = false; // every section and cell of the entry was built
    bool m_following = false;  // changes of the shown entry are drawn
    QString m_builtSeries, m_builtType; // the sheet the strip was built on
};

Q_DECLARE_OPERATORS_FOR_FLAGS(StripDisplay::CellCommands)
