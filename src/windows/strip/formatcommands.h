#pragma once
// FormatCommands: the formatting commands of the main window (font dialog,
// font list, size box, text and background colour, bold, italic and the
// three alignments) and the toolbar that follows the current cell. Every
// command acts on all selected cells of the detail view through
// strip::applyFormat, then restyles their editors and redraws them; in the
// overview the commands do nothing.

#include <QObject>
#include <QStringList>

class ActionCollection;
class QAction;
class QActionGroup;
class QComboBox;
class QWidget;
class RegisterDocument;
class StripDisplay;
namespace strip {
struct FormatChange;
}

class FormatCommands : public QObject
{
    Q_OBJECT

public:
    // Adds the format commands, their toolbar buttons and the font and
    // size lists to `actions` and keeps them up to date; window parents
    // the font and colour dialogs.
    FormatCommands(RegisterDocument &document, StripDisplay &display, ActionCollection &actions, QWidget *window,
                   QObject *parent = nullptr);

    // The size box, which the key label panel shares.
    QComboBox *sizeBox() const { return m_c.ComboBoxFontSize; }
    ~FormatCommands() override;

    // Fills the font list with the display's families (and the faces that
    // registers name) and the size box with the size list; run when the
    // main window is first shown.
    void fillLists();
    // The font list's names and the parallel mark list (each name followed
    // by "t" for a TrueType font, "u" otherwise), for the key label dialog.
    QStringList fontNames() const;
    const QStringList &fontMarks() const { return m_marks; }

    // The colour that the shared colour chooser opens with.
    int lastColour() const { return m_lastColour; }

public Q_SLOTS:
    void ActionFormatFontExecute();
    void ComboBoxFontChange(int index);
    void ComboBoxFontSizeChange(const QString &text);
    void ActionFormatColorExecute();
    void ActionFormatBColorExecute();
    void ActionFormatBoldExecute();
    void ActionFormatItalicExecute();
    void ActionFormatLeftExecute();
    void ActionFormatCenterExecute();
    void ActionFormatRightExecute();
    // Sets the toolbar from the cell's record without running a command.
    void followCell(int cell);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool cellsShown() const;
    bool chooseColour();
    void apply(const strip::FormatChange &change);
    void align(int alignment);
    QAction *alignmentAction(int alignment) const;
    void showAlignment(QAction *shown);
    void markToolbarInUse();
    void paintFontBox();
    // Takes back the size the current typing run applied (its step), when
    // it is still the newest step; true when it did.
    void endSizeRun() { m_sizeRun = 0; }

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    QWidget *m_window;
    // The commands and toolbar lists this class made.
    struct Controls
    {
        QAction *ActionFormatFont = nullptr;
        QAction *ActionFormatColor = nullptr;
        QAction *ActionFormatBColor = nullptr;
        QAction *ActionFormatBold = nullptr;
        QAction *ActionFormatItalic = nullptr;
        QAction *ActionFormatLeft = nullptr;
        QAction *ActionFormatCenter = nullptr;
        QAction *ActionFormatRight = nullptr;
        QComboBox *ComboBoxFont = nullptr;
        QComboBox *ComboBoxFontSize = nullptr;
    };
    Controls m_c;
    QActionGroup *m_alignment = nullptr;
    QAction *m_alignmentShown = nullptr; // the alignment the toolbar shows
    QStringList m_marks;
    int m_lastColour = 0;
    int m_following = 0;
    // The merge key of the sizes typed in the box so far; 0 when no typing
    // run is open.
    quint64 m_sizeRun = 0;
};
