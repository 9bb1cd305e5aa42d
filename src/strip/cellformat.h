#pragma once
// Formatting the text of strip cells: font face, size, text and background
// colour, bold, italic and alignment (lines 19 to 24 of each cell record).
// The main window's format commands and tavrel-cli's format command both
// change the register through applyFormat; the windows add only the
// selection, the cell editors and the redrawing.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class RegisterDocument;

namespace strip {

// The sizes offered in the toolbar's size box and the key label dialog.
const QList<int> &fontSizeList();

// A size typed into a size box is a decimal integer within the input rule's
// range (1 to 999 points): a larger one draws no readable text.
bool isValidFontSize(const QString &text);

// The Windows faces that registers name and the fonts that draw them here.
// A face that a font chooser returns as one of the drawing fonts is stored
// under the Windows name it stands for, so that registers stay exchangeable.
const QStringList &registerFaces();
QString recordFaceOf(const QString &family);

// What a format command sets; fields left empty stay as they are.
struct FormatChange
{
    std::optional<QString> face;
    std::optional<QString> size; // written as given (see isValidFontSize)
    std::optional<int> textColour;
    std::optional<int> background;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<int> alignment; // a regfmt::Alignment
    bool isEmpty() const
    {
        return !face && !size && !textColour && !background && !bold && !italic && !alignment;
    }
};

// One rewritten line of one cell.
struct FormatEdit
{
    int cell = 0;
    int recordLine = 0; // 19 .. 24
    QString before;
    QString after;
};

// Name of a format line for messages and tavrel-cli output ("face", "size",
// "colours", "bold", "italic", "alignment").
QString formatLineName(int recordLine);

// Sets the change on every listed cell of the entry whose header starts at
// headerLine, in ascending cell order; a line that already holds the new
// value is not rewritten. Every cell is looked up before anything is
// written: a cell that the strip does not have throws TavrelError and
// leaves the document as it was. Returns the lines that changed. A change
// made with a merge key joins the newest undo step when that step was made
// with the same key (see RegisterHistory::newMergeKey).
QList<FormatEdit> applyFormat(RegisterDocument &doc, int headerLine, QList<int> cells, const FormatChange &change,
                              quint64 mergeKey = 0);

// First line of every cell record of the entry, by cell index, found in one
// pass (cells past the strip's limit of 100 are not included).
QList<int> cellRecordLines(const RegisterDocument &doc, int headerLine);
// Throws TavrelError naming the first listed cell that is not in `records`.
void requireCells(const QList<int> &records, const QList<int> &cells);

} // namespace strip
