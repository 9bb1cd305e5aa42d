#pragma once
// CellSelection: the current cell and the selected cells of the shown strip.
// It alone decides which cells take part: only the assignable keys can be
// entered, clicked into the selection or retyped; select-all and a Shift
// range take every built cell (a name plate or a preset too, which then
// shows no frame), so that 削除 reaches them. Pointer, keyboard, menus and
// commands change it through these calls, never through widget focus.

#include <QList>
#include <QObject>
#include <vector>

class CellSelection : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // A new strip: its cells and which of them are assignable keys; nothing
    // is selected and cell 0 is current (without a signal).
    void reset(const std::vector<bool> &assignable);
    int cellCount() const { return int(m_assignable.size()); }
    bool isAssignable(int cell) const;
    int current() const { return m_current; }
    // The cell that single-cell commands act on: the current cell when it is
    // an assignable key, otherwise -1.
    int commandCell() const { return isAssignable(m_current) ? m_current : -1; }
    bool isSelected(int cell) const;
    int selectedCount() const;
    QList<int> selected() const;

    // The cell becomes current (any built cell); currentChanged is sent even
    // when it already was, so that whoever follows it reads it again.
    void setCurrent(int cell);
    // Selects or deselects an assignable key; other cells are ignored.
    void select(int cell, bool on);
    void clear();
    void selectOnly(int cell);
    // Every built cell from `from` to `to` inclusive, in either order.
    void selectRange(int from, int to);
    // Every built cell.
    void selectAll();
    // The cell becomes current and the only one selected.
    void enter(int cell);

Q_SIGNALS:
    void currentChanged(int cell);
    // The selection flag of these cells changed.
    void selectionChanged(const QList<int> &cells);

private:
    std::vector<bool> m_assignable;
    std::vector<bool> m_selected;
    int m_current = 0;
};
