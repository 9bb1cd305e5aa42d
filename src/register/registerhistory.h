#pragma once
// RegisterHistory: the undo and redo steps of a register document.
//
// Every change of the document goes through its line operations; while the
// history is on, each operation records the lines it replaces (as
// RegisterLines::Run, so unchanged lines cost four bytes and come back with
// their bytes) into the open step. A command opens a step with a
// RegisterStep guard; guards nest, the outermost names the step. The list
// events the document sent during the step are kept with it, so that undoing
// and redoing tell the register list the same story backwards and forwards.
//
// Undoing a step puts back the lines it replaced and keeps the lines it
// took out for redoing: each recorded edit swaps the lines in the document
// with the lines it holds, so undo and redo are the same operation, run
// backwards or forwards.
//
// A step opened with a merge key joins the newest step when that one was
// made with the same key and nothing was undone since: a run of changes
// (the sizes typed into the size box, one character at a time) is undone
// in one go, back to where the run began.
//
// The history is bounded: at most StepLimit steps and MemoryLimit bytes of
// recorded lines; the oldest steps go first. New, Open and a successful load
// empty it; saving does not.

#include "register/registerlines.h"

#include <QList>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class RegisterDocument;

namespace history {

// `count` lines at `at` are in the document now; `run` holds the lines that
// swap with them.
struct LineEdit
{
    int at = 0;
    int count = 0;
    RegisterLines::Run run;
};

// A change of the register list the document announced during a step,
// after `edits` of the step's edits.
struct ListEvent
{
    enum Kind { Appended, Removed, Inserted, HeaderChanged, Reset };
    Kind kind = Reset;
    qint64 number = 0; // Appended, HeaderChanged
    QList<int> rows;   // Removed, Inserted (ascending)
    size_t edits = 0;
};

struct Step
{
    QString name;
    std::vector<LineEdit> edits;
    std::vector<ListEvent> events;
    qint64 memory = 0;
    quint64 mergeKey = 0; // 0 never merges
    // Edits below this one are never merged with a later edit, so that a
    // nested step can undo exactly its own.
    size_t sealed = 0;
    // While recording: the lines (as they now stand) that an edit of this
    // step set on their own, sorted. Setting one again records nothing.
    std::vector<int> setLines;
    void measure();
};

} // namespace history

class RegisterHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int StepLimit = 100;
    static constexpr qint64 MemoryLimit = qint64(64) << 20;
    // Name of a step for a change made outside any command's step.
    static const QString DefaultStepName; // "編集"

    // What an undo or redo did, for the windows to show it.
    struct Replay
    {
        bool done = false;
        QString name;
        // Lines the replay wrote, in the document as it now stands: [first,
        // end) ranges in the order written; an empty range marks a place
        // where lines were taken out.
        std::vector<std::pair<int, int>> spans;
        // The register list changed (entries added or taken out).
        bool listChanged = false;
        // First line written, or -1.
        int firstLine() const;
    };

    // Off (the default) records nothing; the windows switch it on.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < m_steps.size(); }
    QString undoText() const;
    QString redoText() const;
    // Steps held, and how many of them are done (the rest can be redone).
    int count() const { return int(m_steps.size()); }
    int index() const { return int(m_index); }
    qint64 memoryBytes() const { return m_memory; }
    bool isStepOpen() const { return m_depth > 0; }
    // Counts every step pushed, so that a command can tell whether the
    // newest step is still the one it made.
    quint64 pushedSteps() const { return m_pushed; }
    // A key no step has yet, for a run of changes that make one step.
    quint64 newMergeKey() { return ++m_lastMergeKey; }
    // The merge key of the step an undo would take back, when nothing can
    // be redone (0 otherwise).
    quint64 newestMergeKey() const;
    void clear();

    // The document's side: its lines, which the steps change, and where
    // the list events of a replayed step go.
    using EventSink = std::function<void(const history::ListEvent &, bool inverse)>;
    // Records into the open step (or a step of its own) that the lines
    // [at, at + removed) are about to be replaced by `count` lines.
    void recordEdit(RegisterLines &lines, int at, int count, int removed);
    // Keeps a list event with the open step, marked with its place.
    void recordEvent(history::ListEvent &event);
    // Undoes or redoes the nearest step (done false when there is none).
    Replay undo(RegisterLines &lines, const EventSink &sink);
    Replay redo(RegisterLines &lines, const EventSink &sink);
    // Undoes the open step's edits and events from the marks on: a command
    // that failed part way.
    void rollBack(RegisterLines &lines, const EventSink &sink, size_t editMark, size_t eventMark, Replay &out);
    // Gives the recorded lines bytes of their own, before the store's go.
    void detach(RegisterLines &lines);

Q_SIGNALS:
    // Whether there is something to undo or redo, or its name, changed.
    void changed();

private:
    friend class RegisterStep;

    // Opens a step (or joins the open one).
    void open(const QString &name, quint64 mergeKey);
    // Closes a level; the outermost pushes the step when it recorded edits.
    void close();
    history::Step *openStep() { return m_open.get(); }
    bool recording() const { return m_enabled; }

    // Swaps the lines of edits [from, end) of the step with the document's,
    // backwards (undo) or forwards (redo), with the step's events from
    // `fromEvent` at their places.
    void replay(RegisterLines &lines, const EventSink &sink, history::Step &step, size_t from, size_t fromEvent,
                bool backwards, Replay &out);
    void swapEdit(RegisterLines &lines, history::LineEdit &edit, Replay &out);
    // Undoes (backwards) or redoes the nearest step.
    Replay replayStep(RegisterLines &lines, const EventSink &sink, bool backwards);
    void pushStep(std::unique_ptr<history::Step> step);
    void enforceBounds(bool keepRedo);
    void remeasure();

    bool m_enabled = false;
    int m_depth = 0;
    std::unique_ptr<history::Step> m_open;
    std::deque<std::unique_ptr<history::Step>> m_steps;
    size_t m_index = 0; // steps below are done
    quint64 m_pushed = 0;
    quint64 m_lastMergeKey = 0;
    qint64 m_memory = 0;
};

// Groups the document changes made while it lives into one step named
// `name` (or into the step already open), which merges with the newest step
// when both have the same non-zero merge key. An exception leaving the scope
// undoes the changes made within it, so that a command that fails part way
// leaves the document as it was.
class RegisterStep
{
public:
    RegisterStep(RegisterDocument &doc, const QString &name, quint64 mergeKey = 0);
    ~RegisterStep();
    RegisterStep(const RegisterStep &) = delete;
    RegisterStep &operator=(const RegisterStep &) = delete;

private:
    RegisterDocument &m_doc;
    size_t m_editMark = 0;
    size_t m_eventMark = 0;
    int m_exceptions = 0;
    bool m_active = false;
};
