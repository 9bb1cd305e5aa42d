#pragma once
// The register document: the register file's lines held unchanged in memory
// (RegisterLines) and the file name; which entry is shown is the windows' own.
// Every change to the lines goes through this class; it tells
// its observers what changed through events().

#include "platform/registerlock.h"
#include "platform/textfile.h"
#include "register/registerformat.h"
#include "register/registerhistory.h"
#include "register/registerlines.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QDateTime>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The six header texts of an entry, in file order.
struct EntryHeader
{
    QString extension;
    QString department;
    QString userName;
    QString date;
    QString seriesCaption;
    QString stripType;

    QStringList toLines() const
    {
        return {extension, department, userName, date, seriesCaption, stripType};
    }
    bool operator==(const EntryHeader &) const = default;

    // The registration date as headers hold it: "yyyy/mm/dd hh:nn", 24 hours.
    static QString dateText(const QDateTime &when);
    // True for a real date and time written exactly in that form.
    static bool isDateText(const QString &text);
};

// What changed in a register document, for the register list and the views.
class RegisterEvents : public QObject
{
    Q_OBJECT

Q_SIGNALS:
    // The whole document was replaced (New, Open, the last entry deleted).
    void documentReset();
    // Entry n was appended at the end.
    void entryAppended(qint64 n);
    // The entries of these 0-based rows were deleted and the rest renumbered.
    void entriesRemoved(QList<int> rowsAscending);
    // Entries were put back at these 0-based rows (undoing a deletion), the
    // rest renumbered.
    void entriesInserted(QList<int> rowsAscending);
    // The header of entry n changed.
    void headerChanged(qint64 n);
    // Lines of the document changed (first line, count, or -1 for many).
    void linesChanged(int first, int count);
    // The same, exactly: `removed` lines at `at` were replaced by `added`
    // lines; lines after them moved by added - removed. An undo or redo
    // reports the lines it wrote in the document as it now stands, as
    // removed == added (none moved; an empty range marks a place where
    // lines were taken out).
    void linesEdited(int at, int removed, int added);
    // A change is complete: the outermost step closed, an undo or redo
    // ended, or a line changed outside any step. Whoever shows the lines
    // redraws here, when every record is whole again.
    void changesApplied();
};

class RegisterDocument
{
public:
    static const QString VersionLine;
    // Said when an output (PDF, CSV, picture) is to be written over the
    // register itself: "%1 は示名条データのファイルです。…".
    static const QString OutputIsRegisterMessage;
    // True when writing another kind of file (PDF, CSV, picture) to output
    // would replace a register: the open one (openRegister, may be empty)
    // or any file that starts as a register does, in either layout.
    static bool outputReplacesRegister(const QString &output, const QString &openRegister); // "file-version:01.01.00.00"
    static const QString FormatErrorMessage;

    RegisterDocument();

    // --- lines ---
    const RegisterLines &lines() const { return m_lines; }
    int lineCount() const { return m_lines.size(); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    // Bounds-checked read: a line beyond the document raises a format error
    // rather than reading past the end.
    QString line(int index) const { return m_lines.line(index); }
    // A text holding CR or LF is refused before anything changes.
    void setLine(int index, const QString &text);
    void insertLines(int at, const QStringList &texts);
    void removeLines(int at, int count);
    void appendLine(const QString &text);
    void appendLines(const QStringList &texts);
    // Room for `lines` more lines of about `bytes` bytes, before a large
    // append (an import), so that the store does not grow in steps.
    void reserveLines(int lines, qsizetype bytes) { m_lines.reserve(lines, bytes); }
    // Replaces every line (a file's bytes through RegisterLines::fromBytes,
    // or lines made in memory); nothing is converted or checked.
    void setLines(RegisterLines lines);
    // Integer on a line; ConversionError naming the line when it is not one.
    int intAt(int index) const { return m_lines.intAt(index); }

    // --- state ---
    QString fileName() const { return m_fileName; }
    // What the file was when it was last read or written here; a file on
    // disk that no longer matches it was changed by someone else.
    const DiskStamp &diskStamp() const { return m_diskStamp; }
    bool changedOnDisk(const QString &path) const { return m_diskStamp.changedOnDisk(path); }
    void setFileName(const QString &name) { m_fileName = name; }
    TextEncoding encoding() const { return m_lines.encoding(); }
    RegisterEvents *events() { return m_events.get(); }

    // Lines and file name emptied (File ▸ New).
    void reset();

    // --- undo ---
    // The steps recorded while the history is on (the windows switch it
    // on). Every change below is recorded; reset, setLines and loading
    // empty the history.
    RegisterHistory &history() { return *m_history; }
    const RegisterHistory &history() const { return *m_history; }
    // Undoes or redoes the nearest step: the lines come back exactly and
    // the list events follow them. Does nothing (done false) when there is
    // no such step.
    RegisterHistory::Replay undo();
    RegisterHistory::Replay redo();

    // --- entries ---
    static QString markerLine(qint64 n);
    // Entry number of a marker line, or 0 when the text is no marker.
    static qint64 markerNumber(const QString &text);
    // Index of the first line equal to the marker of entry n, or -1.
    int findEntry(qint64 n) const { return m_lines.findEntry(n); }
    // The same answer by scanning every line; kept for checks and tests.
    int findEntryByScan(qint64 n) const { return m_lines.findEntryByScan(n); }
    // Header of entry n (throws when the entry is missing or truncated).
    EntryHeader headerOfEntry(qint64 n) const;
    EntryHeader headerAt(int h) const;
    // The lines differ from those opened or last saved, or no file holds
    // them any more (markUnsaved).
    bool isModified() const { return m_unsaved || m_lines.differsFromBase(); }
    // The lines are held nowhere else (their file was removed or could not
    // be read back): modified until saved, loaded or reset.
    void markUnsaved() { m_unsaved = true; }
    // Number of entries on line 1; 0 for an empty document.
    int entryCount() const;
    // Entry number whose lines contain the given line, 0 when none.
    int entryOfLine(int index) const { return m_lines.entryOfLine(index); }
    // The entries of the register list: for n = 1, 2, ... up to the count on
    // line 1, the first marker of each number present, in number order.
    std::vector<RegisterLines::Marker> listedEntries() const;

    // --- file operations ---
    // Reads, converts the older layout and returns one header per listed
    // entry (the register list rows). On any failure the document is left
    // empty and unnamed and the error is thrown.
    QList<EntryHeader> load(const QString &path);
    // Reads path as load does into a document of its own and only then
    // takes its lines, file name and disk stamp: a failure throws and leaves
    // this document as it was (a register read again after another program
    // changed it). The history is emptied.
    QList<EntryHeader> reload(const QString &path);
    // Takes the lines, file name and disk stamp of a document read apart
    // (by load), as a load does; the history is emptied.
    void adopt(RegisterDocument &&read);
    // Takes a file's bytes as load does, without a file name.
    QList<EntryHeader> loadBytes(const QByteArray &bytes);
    // Converts the older layout in place (the version line is added).
    void convertOlderLayout();
    // Writes the lines; unchanged lines keep their bytes. An unencodable
    // character or a failed write throws and leaves the file intact; on
    // success the written lines are the new saved state.
    // beforeRename runs once every byte is written, just before the file
    // is put in place (see textfile::OutputFile::setBeforeRename).
    using BeforeRename = std::function<void(int fd)>;
    void save(const QString &path, const BeforeRename &beforeRename = {});
    // Writes the lines as save does, as the last change of a document
    // (tavrel-cli): written as they are encoded, they stay readable as they
    // are but are not taken as the saved state (no second copy of the file,
    // no second pass over it).
    void saveLast(const QString &path, const BeforeRename &beforeRename = {});

    // Appends a new entry with the body of entry `source`.
    void appendEntryAsCopy(const EntryHeader &header, int source);
    // Appends the marker and the header of a new entry (the start of both
    // ways of appending); returns the new entry number. A malformed or full
    // count on line 1 throws before anything is written.
    int beginNewEntry(const EntryHeader &header);
    // Announces an entry appended through beginNewEntry and appendLines.
    void finishNewEntry(int n);
    void updateEntryHeader(int n, const EntryHeader &header);
    // Deletes the entries of the given 0-based rows (any order), renumbering
    // the rest. rowCount is the number of register list rows before the
    // command; removeRow is called for each row from the highest down.
    // Returns the number of rows that remain.
    int deleteEntries(QList<int> rows, int rowCount, const std::function<void(int)> &removeRow = {});

private:
    friend class RegisterStep;

    // Encodes and writes the lines; the bytes written.
    QByteArray writeLines(const QString &path, const BeforeRename &beforeRename);

    QList<EntryHeader> listRows() const;

    // The line operations, each recorded into the open step first.
    void editSet(int index, const QString &text);
    void editInsert(int at, const QStringList &texts);
    void editRemove(int at, int count);
    void editClear();
    void record(int at, int count, int removed);
    void announce(history::ListEvent event);
    void emitListEvent(const history::ListEvent &event, bool inverse);
    RegisterHistory::EventSink eventSink();
    void linesReplayed(const RegisterHistory::Replay &out);
    // Undoes the open step from the marks on (RegisterStep, on a failure).
    void rollBack(size_t editMark, size_t eventMark);
    // Says changesApplied unless a step is still open.
    void announceApplied();

    RegisterLines m_lines;
    QString m_fileName;
    DiskStamp m_diskStamp;
    bool m_unsaved = false;
    // A copy of a document has observers of its own (none).
    struct Events
    {
        Events() : p(std::make_unique<RegisterEvents>()) {}
        Events(const Events &) : Events() {}
        Events &operator=(const Events &) { return *this; }
        RegisterEvents *operator->() const { return p.get(); }
        RegisterEvents *get() const { return p.get(); }
        std::unique_ptr<RegisterEvents> p;
    } m_events;
    struct History
    {
        History() : p(std::make_unique<RegisterHistory>()) {}
        History(const History &) : History() {}
        History &operator=(const History &)
        {
            p->clear(); // other lines: the steps no longer fit them
            return *this;
        }
        RegisterHistory &operator*() const { return *p; }
        RegisterHistory *operator->() const { return p.get(); }
        std::unique_ptr<RegisterHistory> p;
    } m_history;
};



// Message for a character that cannot be saved, naming the entry.
QString unencodableMessage(const RegisterDocument &doc, const EncodingError &e);
