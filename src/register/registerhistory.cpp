#include "register/registerhistory.h"

#include "register/registerdocument.h"

#include <exception>

// The steps are kept here rather than in a QUndoStack: that stack can drop
// its oldest commands only through an undo limit, which it takes only while
// empty, so it could not keep the bound on the memory of recorded lines.

const QString RegisterHistory::DefaultStepName = QStringLiteral("編集");

void history::Step::measure()
{
    memory = qint64(sizeof(Step)) + name.capacity() * 2 + qint64(setLines.capacity()) * 4;
    for (const LineEdit &e : edits)
        memory += qint64(sizeof(LineEdit)) - qint64(sizeof(RegisterLines::Run)) + e.run.memoryBytes();
    for (const ListEvent &e : events)
        memory += qint64(sizeof(ListEvent)) + e.rows.capacity() * qint64(sizeof(int));
}

int RegisterHistory::Replay::firstLine() const
{
    int first = -1;
    for (const auto &s : spans)
        if (first < 0 || s.first < first)
            first = s.first;
    return first;
}

void RegisterHistory::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    clear();
}

QString RegisterHistory::undoText() const
{
    return canUndo() ? m_steps[m_index - 1]->name : QString();
}

QString RegisterHistory::redoText() const
{
    return canRedo() ? m_steps[m_index]->name : QString();
}

void RegisterHistory::clear()
{
    if (m_open) {
        // The open step's lines no longer fit the document either.
        m_open->edits.clear();
        m_open->events.clear();
    }
    const bool had = !m_steps.empty();
    m_steps.clear();
    m_index = 0;
    m_memory = 0;
    if (had)
        Q_EMIT changed();
}

void RegisterHistory::open(const QString &name, quint64 mergeKey)
{
    if (m_depth++ == 0) {
        m_open = std::make_unique<history::Step>();
        m_open->name = name;
        m_open->mergeKey = mergeKey;
    }
}

quint64 RegisterHistory::newestMergeKey() const
{
    return canUndo() && !canRedo() ? m_steps.back()->mergeKey : 0;
}

void RegisterHistory::close()
{
    if (m_depth <= 0 || --m_depth > 0)
        return;
    std::unique_ptr<history::Step> step = std::move(m_open);
    if (step)
        std::vector<int>().swap(step->setLines);
    if (step && !step->edits.empty())
        pushStep(std::move(step));
}

void RegisterHistory::pushStep(std::unique_ptr<history::Step> step)
{
    // A new step ends what could be redone.
    while (m_steps.size() > m_index)
        m_steps.pop_back();
    if (step->mergeKey != 0 && !m_steps.empty() && m_steps.back()->mergeKey == step->mergeKey) {
        // Its edits and events follow the newest step's, which undoes them
        // all, back to the lines before the run.
        history::Step &into = *m_steps.back();
        const size_t base = into.edits.size();
        for (history::ListEvent &e : step->events) {
            e.edits += base;
            into.events.push_back(std::move(e));
        }
        for (history::LineEdit &e : step->edits)
            into.edits.push_back(std::move(e));
        into.measure();
        remeasure();
        enforceBounds(false);
        Q_EMIT changed();
        return;
    }
    step->measure();
    ++m_pushed;
    m_steps.push_back(std::move(step));
    m_index = m_steps.size();
    remeasure();
    enforceBounds(false);
    Q_EMIT changed();
}

void RegisterHistory::remeasure()
{
    m_memory = 0;
    for (const auto &s : m_steps)
        m_memory += s->memory;
}

void RegisterHistory::enforceBounds(bool)
{
    // The oldest steps go first; when the steps that can be redone alone are
    // too large, the farthest of them go.
    while (!m_steps.empty() && (int(m_steps.size()) > StepLimit || m_memory > MemoryLimit)) {
        if (m_index > 0) {
            m_memory -= m_steps.front()->memory;
            m_steps.pop_front();
            --m_index;
        } else {
            m_memory -= m_steps.back()->memory;
            m_steps.pop_back();
        }
    }
}

// ---------------------------------------------------------------- recording, replaying

void RegisterHistory::recordEdit(RegisterLines &lines, int at, int count, int removed)
{
    RegisterHistory &h = *this;
    if (!h.recording())
        return;
    // A change outside any command's step is a step of its own.
    const bool own = !h.isStepOpen();
    if (own)
        h.open(RegisterHistory::DefaultStepName, 0);
    history::Step &step = *h.openStep();
    std::vector<int> &set = step.setLines;
    const bool single = count == 1 && removed == 1;
    bool recorded = false;
    if (single) {
        // A line this step has set before: that edit puts its first text
        // back, and redoing it writes what the line holds when undone.
        recorded = std::binary_search(set.begin(), set.end(), at);
    }
    if (!recorded && step.edits.size() > step.sealed
        && (step.events.empty() || step.events.back().edits < step.edits.size())) {
        // Within the lines the previous edit wrote: that edit's lines to put
        // back stay as they are, only its extent changes.
        history::LineEdit &last = step.edits.back();
        if (at >= last.at && at + removed <= last.at + last.count) {
            last.count += count - removed;
            recorded = true;
        }
    }
    if (!recorded)
        step.edits.push_back({at, count, lines.take(at, removed)});
    if (single) {
        if (!recorded)
            set.insert(std::lower_bound(set.begin(), set.end(), at), at);
    } else {
        // The lines set before follow the lines taken out and put in.
        auto first = std::lower_bound(set.begin(), set.end(), at);
        auto last = std::lower_bound(first, set.end(), at + removed);
        for (auto it = last; it != set.end(); ++it)
            *it += count - removed;
        set.erase(first, last);
    }
    if (own)
        h.close();
}

void RegisterHistory::recordEvent(history::ListEvent &event)
{
    if (recording() && isStepOpen()) {
        event.edits = m_open->edits.size();
        m_open->events.push_back(event);
        // The list reads the lines as they stand at each event, also when
        // undoing: no later edit may stand in for an earlier one.
        m_open->setLines.clear();
    }
}

void RegisterHistory::swapEdit(RegisterLines &lines, history::LineEdit &edit, Replay &out)
{
    RegisterLines::Run current = lines.take(edit.at, edit.count);
    const int before = lines.size();
    lines.splice(edit.at, edit.count, edit.run);
    if (lines.size() != before - edit.count + edit.run.size()) {
        // Lines changed behind the history's back: its steps no longer fit.
        clear();
        throw TavrelError(QStringLiteral("変更の記録が示名条データと合わないため、元に戻せません。"));
    }
    const int at = edit.at, removed = edit.count, added = edit.run.size();
    edit.count = added;
    edit.run = std::move(current);

    // Earlier spans follow the lines they cover.
    auto moved = [&](int p, bool end) {
        if (p <= at)
            return p;
        if (p >= at + removed)
            return p + added - removed;
        return end ? at + added : at;
    };
    for (auto &s : out.spans) {
        s.first = moved(s.first, false);
        s.second = std::max(s.first, moved(s.second, true));
    }
    out.spans.push_back({at, at + added});
    constexpr size_t MaxSpans = 4096;
    if (out.spans.size() > MaxSpans) {
        std::pair<int, int> all = out.spans.front();
        for (const auto &s : out.spans)
            all = {std::min(all.first, s.first), std::max(all.second, s.second)};
        out.spans.assign(1, all);
    }
}

void RegisterHistory::replay(RegisterLines &lines, const EventSink &sink, history::Step &step, size_t from,
                             size_t fromEvent, bool backwards, Replay &out)
{
    std::vector<history::LineEdit> &edits = step.edits;
    const std::vector<history::ListEvent> &events = step.events;
    const auto listEvent = [&](const history::ListEvent &e, bool inverse) {
        if (e.kind != history::ListEvent::HeaderChanged)
            out.listChanged = true;
        sink(e, inverse);
    };
    if (backwards) {
        size_t pos = edits.size();
        const auto undoDown = [&](size_t to) {
            for (; pos > to; --pos)
                swapEdit(lines, edits[pos - 1], out);
        };
        for (size_t i = events.size(); i > fromEvent; --i) {
            undoDown(std::max(from, events[i - 1].edits));
            undoDown(i - 1 > fromEvent ? std::max(from, events[i - 2].edits) : from);
            listEvent(events[i - 1], true);
        }
        undoDown(from);
    } else {
        size_t pos = from;
        const auto redoUp = [&](size_t to) {
            for (; pos < to; ++pos)
                swapEdit(lines, edits[pos], out);
        };
        for (size_t i = fromEvent; i < events.size(); ++i) {
            redoUp(std::max(from, events[i].edits));
            listEvent(events[i], false);
        }
        redoUp(edits.size());
    }
}

RegisterHistory::Replay RegisterHistory::undo(RegisterLines &lines, const EventSink &sink)
{
    return replayStep(lines, sink, true);
}

RegisterHistory::Replay RegisterHistory::redo(RegisterLines &lines, const EventSink &sink)
{
    return replayStep(lines, sink, false);
}

RegisterHistory::Replay RegisterHistory::replayStep(RegisterLines &lines, const EventSink &sink, bool backwards)
{
    Replay out;
    if (!(backwards ? canUndo() : canRedo()) || isStepOpen())
        return out;
    history::Step &step = *m_steps[backwards ? m_index - 1 : m_index];
    out.name = step.name;
    replay(lines, sink, step, 0, 0, backwards, out);
    m_index = backwards ? m_index - 1 : m_index + 1;
    out.done = true;
    step.measure();
    remeasure();
    enforceBounds(true);
    Q_EMIT changed();
    return out;
}

void RegisterHistory::rollBack(RegisterLines &lines, const EventSink &sink, size_t editMark, size_t eventMark,
                               Replay &out)
{
    history::Step *step = m_open.get();
    if (!step || editMark > step->edits.size() || eventMark > step->events.size())
        return;
    replay(lines, sink, *step, editMark, eventMark, true, out);
    step->edits.resize(editMark);
    step->events.resize(eventMark);
}

void RegisterHistory::detach(RegisterLines &lines)
{
    for (auto &step : m_steps) {
        for (history::LineEdit &e : step->edits)
            lines.detach(e.run);
        step->measure();
    }
    if (m_open)
        for (history::LineEdit &e : m_open->edits)
            lines.detach(e.run);
    remeasure();
    enforceBounds(true);
}

// ---------------------------------------------------------------- RegisterStep

RegisterStep::RegisterStep(RegisterDocument &doc, const QString &name, quint64 mergeKey) : m_doc(doc)
{
    RegisterHistory &h = doc.history();
    if (!h.recording())
        return;
    h.open(name, mergeKey);
    m_active = true;
    m_editMark = h.openStep()->edits.size();
    h.openStep()->sealed = m_editMark;
    h.openStep()->setLines.clear();
    m_eventMark = h.openStep()->events.size();
    m_exceptions = std::uncaught_exceptions();
}

RegisterStep::~RegisterStep()
{
    if (!m_active)
        return;
    RegisterHistory &h = m_doc.history();
    history::Step *step = h.openStep();
    if (step && std::uncaught_exceptions() > m_exceptions && m_editMark <= step->edits.size()
        && m_eventMark <= step->events.size()) {
        // A failure part way: the changes made within this scope are undone.
        try {
            m_doc.rollBack(m_editMark, m_eventMark);
        } catch (...) {
            h.clear();
        }
    }
    h.close();
    if (!h.isStepOpen())
        Q_EMIT m_doc.events()->changesApplied();
}
