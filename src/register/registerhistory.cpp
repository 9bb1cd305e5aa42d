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

void RegisterHistory::open(const QString &name)
{
    if (m_depth++ == 0) {
        m_open = std::make_unique<history::Step>();
        m_open->name = name;
    }
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

// ---------------------------------------------------------------- RegisterStep

RegisterStep::RegisterStep(RegisterDocument &doc, const QString &name) : m_doc(doc)
{
    RegisterHistory &h = doc.history();
    if (!h.recording())
        return;
    h.open(name);
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
            RegisterHistory::Replay out;
            m_doc.replay(*step, m_editMark, m_eventMark, true, out);
            step->edits.resize(m_editMark);
            step->events.resize(m_eventMark);
        } catch (...) {
            h.clear();
        }
    }
    h.close();
    if (!h.isStepOpen())
        Q_EMIT m_doc.events()->changesApplied();
}
