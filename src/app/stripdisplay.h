#pragma once
// StripDisplay: the strip area of the main window (caption line, detail
// view, overview) and its display state: the cell count, the current cell,
// the selection flags, the view mode, the toolbar-in-use mark and which cell
// commands are available. The document commands reach the views only
// through clear(), showEntry() and commitPendingEdit().

#include <QFlags>
#include <QObject>
#include <array>

class QLabel;
class QScrollArea;
class QWidget;
class RegisterDocument;

class StripDisplay : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxCells = 100;
    static constexpr int MaxSections = 100;

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
        QWidget *area = nullptr; // pnlDisp
        QLabel *caption = nullptr; // pnlText
        QScrollArea *detail = nullptr; // ScrollBox1
        QLabel *detailSheet = nullptr; // imgBase1
        QScrollArea *overview = nullptr; // ScrollBox2
        QLabel *overviewSheet = nullptr; // imgBase2
    };

    StripDisplay(RegisterDocument &document, const Widgets &widgets, QObject *parent = nullptr);
    ~StripDisplay() override;

    // --- state ---
    int cellCount() const { return m_cellCount; }
    int currentCell() const { return m_currentCell; }
    bool isSelected(int cell) const;
    int selectedCount() const;
    Mode mode() const { return m_mode; }
    bool detailActive() const { return m_mode == Mode::Detail; }
    CellCommands cellCommands() const { return m_commands; }
    bool toolbarInUse() const { return m_toolbarInUse; }
    void setToolbarInUse(bool on) { m_toolbarInUse = on; }
    QString captionText() const;

    // Mode restored from the settings, before anything is shown.
    void setInitialMode(Mode mode) { m_mode = mode; }

    // --- display ---
    // Destroys every cell element and resets the display state; the
    // document's current entry number becomes 0.
    void clear();
    // Builds and shows the entry whose header starts at the document's
    // current header line.
    void showEntry();
    // Rewrites the caption line from the current entry's header, e.g. after
    // its header was edited.
    void refreshCaption();

    // Ends an in-place edit before a command reads or replaces the register.
    void commitPendingEdit();

    // View commands.
    void showDetail();
    void showOverview();

    // Scrolling of the active view: kind 1 centres horizontally, kind 2
    // positions vertically by the cell, kind 3 does both.
    void positionScrolling(int kind, int cell);

Q_SIGNALS:
    void modeChanged(StripDisplay::Mode mode);
    void cellCommandsChanged(StripDisplay::CellCommands commands);

private:
    void setMode(Mode mode);
    void setCellCommands(CellCommands commands);
    void finish();
    QScrollArea *activeArea() const;

    RegisterDocument &m_doc;
    Widgets m_w;
    Mode m_mode = Mode::Overview;
    int m_cellCount = 0;
    int m_currentCell = 0;
    std::array<int, MaxCells> m_selected{};
    CellCommands m_commands;
    bool m_toolbarInUse = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(StripDisplay::CellCommands)
