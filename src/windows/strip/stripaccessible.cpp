#include "windows/strip/stripaccessible.h"

#include "windows/strip/stripdisplay.h"

#include <QAccessible>
#include <QPointer>
#include <QWindow>
#include <map>

namespace stripaccessible {

namespace {

class SheetInterface;

// One cell of a sheet. It reads everything from the display when asked, so
// that it never holds a stale copy.
class CellInterface : public QAccessibleInterface
{
public:
    CellInterface(StripSheet *sheet, int index) : m_sheet(sheet), m_index(index) {}

    bool isValid() const override
    {
        return m_sheet && m_sheet->display() && m_index < m_sheet->display()->cellCount();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_sheet && m_sheet->window() ? m_sheet->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_sheet.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return QString();
        return m_sheet->display()->cellDescription(m_index);
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = m_sheet->display()->cellRect(m_sheet->view(), m_index);
        return QRect(m_sheet->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        const StripDisplay *d = m_sheet->display();
        s.invisible = !m_sheet->isVisible();
        s.selectable = d->isAssignable(m_index);
        s.focusable = s.selectable;
        s.selected = d->isSelected(m_index);
        s.active = d->currentCell() == m_index;
        s.focused = s.active && m_sheet->hasFocus();
        return s;
    }

    int index() const { return m_index; }
    const StripSheet *sheet() const { return m_sheet.data(); }

private:
    QPointer<StripSheet> m_sheet;
    int m_index;
};

// The sheet: a list of its cells, followed by its child widgets (the
// in-place editors).
class SheetInterface : public QAccessibleWidget
{
public:
    explicit SheetInterface(StripSheet *sheet) : QAccessibleWidget(sheet, QAccessible::List) {}
    ~SheetInterface() override { forgetCells(); }

    StripSheet *sheet() const { return static_cast<StripSheet *>(widget()); }
    int cellCount() const { return sheet()->display() ? sheet()->display()->cellCount() : 0; }

    int childCount() const override { return cellCount() + QAccessibleWidget::childCount(); }
    QAccessibleInterface *child(int index) const override
    {
        const int cells = cellCount();
        if (index < 0)
            return nullptr;
        if (index >= cells)
            return QAccessibleWidget::child(index - cells);
        auto it = m_cells.find(index);
        if (it != m_cells.end())
            return QAccessible::accessibleInterface(it->second);
        auto *cell = new CellInterface(sheet(), index);
        m_cells[index] = QAccessible::registerAccessibleInterface(cell);
        return cell;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (const auto *cell = dynamic_cast<const CellInterface *>(child))
            return cell->sheet() == sheet() && cell->index() < cellCount() ? cell->index() : -1;
        const int i = QAccessibleWidget::indexOfChild(child);
        return i < 0 ? -1 : i + cellCount();
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        if (QAccessibleInterface *w = QAccessibleWidget::childAt(x, y))
            return w;
        const StripDisplay *d = sheet()->display();
        if (!d)
            return nullptr;
        const StripDisplay::Hit hit = d->hitTest(sheet()->view(), sheet()->mapFromGlobal(QPoint(x, y)));
        return hit.cell >= 0 ? child(hit.cell) : nullptr;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiSelectable = true;
        return s;
    }

    // The cells of a strip built anew are other cells.
    void forgetCells()
    {
        for (const auto &[index, id] : m_cells)
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

private:
    mutable std::map<int, QAccessible::Id> m_cells;
};

QAccessibleInterface *sheetFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("StripSheet") && object && object->isWidgetType())
        return new SheetInterface(static_cast<StripSheet *>(object));
    return nullptr;
}

SheetInterface *sheetInterface(StripSheet *sheet)
{
    return dynamic_cast<SheetInterface *>(QAccessible::queryAccessibleInterface(sheet));
}

} // namespace

void install()
{
    static const bool installed = (QAccessible::installFactory(sheetFactory), true);
    Q_UNUSED(installed);
}

void announceCurrent(StripSheet *sheet, int cell)
{
    if (!sheet || cell < 0 || !sheet->isVisible())
        return;
    QAccessibleEvent e(sheet, sheet->hasFocus() ? QAccessible::Focus : QAccessible::SelectionWithin);
    e.setChild(cell);
    QAccessible::updateAccessibility(&e);
}

void announceSelection(StripSheet *sheet, const QList<int> &cells)
{
    if (!sheet || !sheet->isVisible() || !sheet->display())
        return;
    for (int cell : cells) {
        if (cell < 0 || cell >= sheet->display()->cellCount())
            continue;
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent e(sheet, changed);
        e.setChild(cell);
        QAccessible::updateAccessibility(&e);
    }
    QAccessibleEvent within(sheet, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&within);
}

void announceRebuilt(StripSheet *sheet)
{
    if (!sheet)
        return;
    if (SheetInterface *iface = sheetInterface(sheet))
        iface->forgetCells();
    QAccessibleEvent e(sheet, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&e);
}

} // namespace stripaccessible
