#include "strip/cellselection.h"

#include <algorithm>

void CellSelection::reset(const std::vector<bool> &assignable)
{
    QList<int> changed = selected();
    m_assignable = assignable;
    m_selected.assign(assignable.size(), false);
    m_current = 0;
    changed.removeIf([this](int c) { return c >= cellCount(); });
    if (!changed.isEmpty())
        Q_EMIT selectionChanged(changed);
}

bool CellSelection::isAssignable(int cell) const
{
    return cell >= 0 && cell < cellCount() && m_assignable[size_t(cell)];
}

bool CellSelection::isSelected(int cell) const
{
    return cell >= 0 && cell < cellCount() && m_selected[size_t(cell)];
}

int CellSelection::selectedCount() const
{
    return int(std::count(m_selected.begin(), m_selected.end(), true));
}

QList<int> CellSelection::selected() const
{
    QList<int> out;
    for (int i = 0; i < cellCount(); ++i)
        if (m_selected[size_t(i)])
            out.append(i);
    return out;
}

void CellSelection::setCurrent(int cell)
{
    if (cell < 0 || cell >= cellCount())
        return;
    m_current = cell;
    Q_EMIT currentChanged(cell);
}

void CellSelection::select(int cell, bool on)
{
    if (!isAssignable(cell) || m_selected[size_t(cell)] == on)
        return;
    m_selected[size_t(cell)] = on;
    Q_EMIT selectionChanged({cell});
}

void CellSelection::clear()
{
    const QList<int> changed = selected();
    std::fill(m_selected.begin(), m_selected.end(), false);
    if (!changed.isEmpty())
        Q_EMIT selectionChanged(changed);
}

void CellSelection::selectOnly(int cell)
{
    clear();
    select(cell, true);
}

void CellSelection::selectRange(int from, int to)
{
    QList<int> changed;
    for (int i = std::max(0, std::min(from, to)); i <= std::max(from, to) && i < cellCount(); ++i) {
        if (!m_selected[size_t(i)]) {
            m_selected[size_t(i)] = true;
            changed.append(i);
        }
    }
    if (!changed.isEmpty())
        Q_EMIT selectionChanged(changed);
}

void CellSelection::selectAll()
{
    selectRange(0, cellCount() - 1);
}

void CellSelection::enter(int cell)
{
    selectOnly(cell);
    setCurrent(cell);
}
