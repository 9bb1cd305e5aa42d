#pragma once
// TemplateModel: a strip template as the designer and tavrel-cli edit it.
//
// The model holds the template file's lines as they were read (series line,
// section count, sections of a 6-line header and 19-line cell records,
// anything after the last cell) and an index of where each section and cell
// starts. The lines live in a RegisterDocument used as a plain line store:
// every edit replaces lines through its line history, so undo and
// redo give back the lines byte for byte, and lines nobody edited are
// written with their original bytes: a template read and written unchanged
// is the same file. Numbers that an edit writes have at most four
// fractional digits.

#include "platform/fixed4.h"
#include "register/geometry.h"
#include "register/registerdocument.h"
#include "register/registerlines.h"
#include "register/templatecheck.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <compare>
#include <vector>

namespace tpl {

using strip::MmRect;

// A cell by its section and its place in the section (both from 0).
struct CellRef
{
    int section = 0;
    int cell = 0;
    auto operator<=>(const CellRef &) const = default;
};

// The 19 lines of a template cell, read into values.
struct CellData
{
    MmRect keyBox, keyNumberBox, textArea;
    QString keyNumberFace = QStringLiteral("ＭＳ Ｐゴシック");
    int keyNumberSize = 6;
    int keyNumberColour = 0;
    int keyNumberBold = 0;
    int keyNumberItalic = 0;
    int keyNumberAlignment = 3;
    QString keyCode = QStringLiteral("001");

    // Characters 1 to 3 of the key code: the key number; below 1 a preset key.
    int keyNumber() const;
    bool isAssignable() const { return keyNumber() >= 1; }
    // Characters 5 and 6: the preset text's size (9 when they are no number).
    int presetSize() const;
    // Characters 7 onward: the preset text.
    QString presetText() const;
    // Key codes: "005"; "000 10保留" (a preset key with its size and text).
    static QString assignableCode(int number);
    static QString presetCode(int size, const QString &text);

    // Lines 0 to 18 of the record; numbers in their shortest form.
    QStringList lines() const;
    // Reads the record's lines; a number that does not read is taken as 0.
    static CellData fromLines(const QStringList &lines);
    // A key at (x, y) of the given size with the key-number box in its top
    // left corner and the text area beside it.
    static CellData key(Fixed4 x, Fixed4 y, Fixed4 width, Fixed4 height, int number);
    bool operator==(const CellData &) const = default;
};

// A regular block of keys: `columns` × `rows` keys of one size at a pitch,
// numbered from `firstNumber` across each row (or down each column).
struct GridSpec
{
    int columns = 1;
    int rows = 1;
    Fixed4 keyWidth = Fixed4::fromInt(28);
    Fixed4 keyHeight = Fixed4::fromInt(9);
    Fixed4 pitchX = Fixed4::fromInt(32);
    Fixed4 pitchY = Fixed4::fromInt(10);
    int firstNumber = 1;
    bool downColumns = false;
    // Where the first key's box starts, in the section.
    Fixed4 firstX = Fixed4::fromRaw(15000);
    Fixed4 firstY = Fixed4::fromRaw(15000);
    // The cells of the grid, in numbering order.
    QList<CellData> cells() const;
    // The section that holds the grid with a margin of 1.5 mm, at (x, y).
    MmRect sectionAround(Fixed4 x, Fixed4 y) const;
    // Why the numbers make no grid (empty when they do).
    QString problem() const;
};

class TemplateModel : public QObject
{
    Q_OBJECT

public:
    explicit TemplateModel(QObject *parent = nullptr);

    // Reads a template file. Throws TavrelError naming the line when its
    // counts cannot be read (the check's first error); the model is then
    // unchanged. Problems the check finds in readable lines are kept for
    // the person to see and mend.
    void load(const QString &path);
    void loadBytes(const QByteArray &bytes);
    void loadLines(const QStringList &lines);
    // An empty template offered for the series line's series.
    void newBlank(const QString &seriesLine);

    // The writer: the file's bytes (code page 932, CR LF after every line).
    QByteArray bytes() const;
    QStringList lines() const { return m_doc.lines().toStringList(); }
    const RegisterLines &store() const { return m_doc.lines(); }
    QList<templates::Problem> check() const { return templates::checkTemplate(lines()); }
    // The bytes become the saved state (after writing them).
    void markSaved();
    bool isModified() const;

    QString seriesLine() const { return m_doc.line(0); }
    void setSeriesLine(const QString &line);
    // The series (0 to 7) whose caption the series line holds.
    QList<int> offeredSeries() const;
    void setOfferedSeries(const QList<int> &seriesIndexes);

    int sectionCount() const { return int(m_sectionLines.size()); }
    int cellCount(int section) const { return m_cellCounts.at(size_t(section)); }
    int totalCells() const;
    QList<CellRef> allCells() const;
    int sectionLine(int section) const { return m_sectionLines.at(size_t(section)); }
    int cellLine(CellRef ref) const;
    // Reading order index (0 across all sections) and back.
    int flatIndex(CellRef ref) const;
    CellRef refOfFlat(int index) const;
    bool isValid(CellRef ref) const;

    bool keyNumbersShown(int section) const;
    MmRect sectionRect(int section) const;
    CellData cell(CellRef ref) const;
    // A cell's boxes on the sheet (section origin added).
    MmRect sheetKeyBox(CellRef ref) const;

    // --- edits: each is one undo step unless a Step is open ---
    void setSectionRect(int section, const MmRect &rect);
    void setKeyNumbersShown(int section, bool shown);
    void setCell(CellRef ref, const CellData &data);
    // Appends a section; returns its index.
    int addSection(const MmRect &rect, bool keyNumbersShown = true);
    void removeSection(int section);
    // Appends cells to a section; returns their references.
    QList<CellRef> addCells(int section, const QList<CellData> &cells);
    void removeCells(QList<CellRef> refs);
    // Moves the three boxes of every cell by (dx, dy).
    void moveCells(const QList<CellRef> &refs, Fixed4 dx, Fixed4 dy);
    // Copies of the cells, moved by (dx, dy), appended to their sections.
    QList<CellRef> duplicateCells(const QList<CellRef> &refs, Fixed4 dx, Fixed4 dy);
    // Numbers the assignable keys 1, 2, … in reading order: by section, then
    // top to bottom and left to right within a section.
    void renumber(int first = 1);

    // Groups the edits made while it lives into one undo step.
    class Step
    {
    public:
        Step(TemplateModel &model, const QString &name);
        ~Step();
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        TemplateModel &m_model;
        RegisterStep m_step;
    };

    bool canUndo() const { return m_doc.history().canUndo(); }
    bool canRedo() const { return m_doc.history().canRedo(); }
    QString undoText() const { return m_doc.history().undoText(); }
    QString redoText() const { return m_doc.history().redoText(); }
    void undo();
    void redo();

Q_SIGNALS:
    // The lines changed (an edit, undo, redo or load).
    void changed();

private:
    void reset(RegisterLines lines);
    void reindex();
    // Replaces `removed` lines at `at` by texts, recorded for undo.
    void replace(int at, int removed, const QStringList &texts);
    void setLine(int at, const QString &text);
    void setRect(int at, const MmRect &rect);
    void edited();

    RegisterDocument m_doc;
    QByteArray m_saved;
    std::vector<int> m_sectionLines;
    std::vector<int> m_cellCounts;
    int m_stepDepth = 0;
    bool m_pendingChange = false;
};

// The lines of a template made from a register entry: the sections and the
// cells' lines 0 to 18 as the entry holds them, offered for the series line.
// Throws TavrelError when the entry's strip cannot be walked.
QStringList templateFromEntry(const RegisterDocument &doc, int headerLine, const QString &seriesLine);
// A whole template of one section holding the grid.
QStringList gridTemplate(const GridSpec &grid, const QString &seriesLine, Fixed4 sectionX, Fixed4 sectionY,
                         bool keyNumbersShown = true);
// The series line for a list of series (captions joined), empty for none.
QString seriesLineFor(const QList<int> &seriesIndexes);

// A register of one entry made from template lines, for drawing the strip
// and its print preview; the entry's header starts at PreviewHeaderLine.
// The template is not checked (the designer shows its problems apart);
// throws TavrelError when its counts cannot be read.
QStringList previewRegister(const QStringList &templateLines, const QString &seriesCaption, const QString &stripType);
constexpr int PreviewHeaderLine = 3;

} // namespace tpl
