#include "windows/template/templatecanvas.h"

#include "register/series.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QRegion>
#include <cmath>

using strip::MmRect;
using tpl::CellRef;

namespace {

constexpr int Margin = 24;    // room for the millimetre labels
constexpr double HandleSize = 7;

double real(Fixed4 v)
{
    return double(v.raw()) / Fixed4::Scale;
}

Fixed4 fixedOf(double v)
{
    return Fixed4::fromRaw(qint64(std::llround(v * Fixed4::Scale)));
}

bool contains(const MmRect &r, Fixed4 x, Fixed4 y)
{
    return x >= r.x && y >= r.y && x <= r.x + r.width && y <= r.y + r.height;
}

bool intersects(const MmRect &a, const MmRect &b)
{
    return a.x <= b.x + b.width && b.x <= a.x + a.width && a.y <= b.y + b.height && b.y <= a.y + a.height;
}

MmRect normalized(Fixed4 x1, Fixed4 y1, Fixed4 x2, Fixed4 y2)
{
    return {std::min(x1, x2), std::min(y1, y2), x1 < x2 ? x2 - x1 : x1 - x2, y1 < y2 ? y2 - y1 : y1 - y2};
}

} // namespace

TemplateCanvas::TemplateCanvas(tpl::TemplateModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("templateCanvas"));
    setAccessibleName(QStringLiteral("示名条の図"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    connect(&m_model, &tpl::TemplateModel::changed, this, &TemplateCanvas::rebuild);
    rebuild();
}

void TemplateCanvas::rebuild()
{
    const QList<int> offered = m_model.offeredSeries();
    const QString caption = series::caption(offered.isEmpty() ? 7 : offered.first());
    m_geometry = strip::sheetGeometry(caption, QString());
    const QSize oldSize = size();
    // The scene before the change lends the new one what it drew and tells
    // what changed, so that only that part is painted again.
    const std::unique_ptr<strip::StripScene> previous = std::move(m_scene);
    try {
        const RegisterLines lines(tpl::previewRegister(m_model.lines(), caption, QStringLiteral("設計中")));
        m_scene = std::make_unique<strip::StripScene>(strip::sceneOfEntry(lines, tpl::PreviewHeaderLine));
        if (previous)
            m_scene->adoptDrawn(*previous);
    } catch (const TavrelError &) {
        // A number the check names as an error: the strip is drawn once it is mended.
        m_scene.reset();
    }
    // References past the model's cells (after undo, delete) are dropped.
    QList<CellRef> kept;
    for (const CellRef &r : m_selection)
        if (m_model.isValid(r))
            kept.append(r);
    const bool changedSelection = kept.size() != m_selection.size() || m_section >= m_model.sectionCount();
    m_selection = kept;
    if (m_section >= m_model.sectionCount())
        m_section = -1;
    updateGeometry();
    resize(sizeHint());
    if (previous && m_scene && !changedSelection && size() == oldSize) {
        // Old and new places of what changed, widened by the selection's
        // pen and handles drawn around them.
        const int pad = int(HandleSize) + 3;
        QRegion dirty;
        for (const QRect &r : m_scene->changedArea(*previous, strip::View::Detail))
            dirty += QRectF(QPointF(r.topLeft()) * m_zoom + QPointF(Margin, Margin), QSizeF(r.size()) * m_zoom)
                         .toAlignedRect()
                         .adjusted(-pad, -pad, pad, pad);
        update(dirty);
    } else {
        update();
    }
    if (changedSelection)
        Q_EMIT selectionChanged();
}

QSize TemplateCanvas::sizeHint() const
{
    const strip::ViewScales &v = m_geometry.detail;
    return QSize(int(v.pixelWidth * m_zoom) + 2 * Margin, int(v.pixelHeight * m_zoom) + 2 * Margin);
}

void TemplateCanvas::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.25, 8.0);
    updateGeometry();
    resize(sizeHint());
    update();
}

void TemplateCanvas::selectCells(const QList<CellRef> &cells)
{
    m_selection = cells;
    m_section = -1;
    update();
    Q_EMIT selectionChanged();
}

void TemplateCanvas::selectSection(int section)
{
    m_selection.clear();
    m_section = section;
    update();
    Q_EMIT selectionChanged();
}

QPointF TemplateCanvas::toPixels(Fixed4 x, Fixed4 y) const
{
    return {Margin + real(x) * real(m_geometry.detail.sx) * m_zoom, Margin + real(y) * real(m_geometry.detail.sy) * m_zoom};
}

std::pair<Fixed4, Fixed4> TemplateCanvas::toMm(const QPointF &p) const
{
    return {fixedOf((p.x() - Margin) / (real(m_geometry.detail.sx) * m_zoom)),
            fixedOf((p.y() - Margin) / (real(m_geometry.detail.sy) * m_zoom))};
}

QRectF TemplateCanvas::pixelRect(const MmRect &r) const
{
    return QRectF(toPixels(r.x, r.y), toPixels(r.x + r.width, r.y + r.height));
}

MmRect TemplateCanvas::sheetBox(const CellRef &ref) const
{
    return m_model.sheetKeyBox(ref);
}

MmRect TemplateCanvas::selectionBounds() const
{
    if (m_selection.isEmpty())
        return m_section >= 0 ? m_model.sectionRect(m_section) : MmRect{};
    MmRect b = sheetBox(m_selection.first());
    Fixed4 right = b.x + b.width, bottom = b.y + b.height;
    for (const CellRef &r : m_selection) {
        const MmRect k = sheetBox(r);
        b.x = std::min(b.x, k.x);
        b.y = std::min(b.y, k.y);
        right = std::max(right, k.x + k.width);
        bottom = std::max(bottom, k.y + k.height);
    }
    return {b.x, b.y, right - b.x, bottom - b.y};
}

QList<MmRect> TemplateCanvas::snapTargets() const
{
    QList<MmRect> out;
    for (const CellRef &r : m_model.allCells())
        if (!m_selection.contains(r))
            out.append(sheetBox(r));
    for (int s = 0; s < m_model.sectionCount(); ++s)
        if (s != m_section)
            out.append(m_model.sectionRect(s));
    return out;
}

MmRect TemplateCanvas::resizeTarget() const
{
    if (m_selection.size() == 1)
        return sheetBox(m_selection.first());
    if (m_selection.isEmpty() && m_section >= 0)
        return m_model.sectionRect(m_section);
    return {};
}

int TemplateCanvas::handleAt(const QPointF &p) const
{
    const MmRect r = resizeTarget();
    if (r.width <= Fixed4() && r.height <= Fixed4())
        return -1;
    const QRectF px = pixelRect(r);
    const QPointF corners[] = {px.topLeft(), px.topRight(), px.bottomRight(), px.bottomLeft()};
    for (int i = 0; i < 4; ++i)
        if (std::abs(p.x() - corners[i].x()) <= HandleSize && std::abs(p.y() - corners[i].y()) <= HandleSize)
            return i;
    return -1;
}

MmRect TemplateCanvas::resized(const MmRect &r, Fixed4 dx, Fixed4 dy) const
{
    Fixed4 left = r.x, top = r.y, right = r.x + r.width, bottom = r.y + r.height;
    const QList<MmRect> targets = snapTargets();
    QList<Fixed4> xs, ys;
    for (const MmRect &t : targets) {
        xs << t.x << t.x + t.width;
        ys << t.y << t.y + t.height;
    }
    if (m_handle == 0 || m_handle == 3)
        left = tpl::snapValue(left + dx, xs, m_snap);
    else
        right = tpl::snapValue(right + dx, xs, m_snap);
    if (m_handle == 0 || m_handle == 1)
        top = tpl::snapValue(top + dy, ys, m_snap);
    else
        bottom = tpl::snapValue(bottom + dy, ys, m_snap);
    // A box keeps at least a tenth of a millimetre.
    const Fixed4 least = Fixed4::fromRaw(1000);
    if (right - left < least)
        (m_handle == 0 || m_handle == 3) ? left = right - least : right = left + least;
    if (bottom - top < least)
        (m_handle == 0 || m_handle == 1) ? top = bottom - least : bottom = top + least;
    return {left, top, right - left, bottom - top};
}

CellRef TemplateCanvas::cellAt(const QPointF &p) const
{
    const auto [x, y] = toMm(p);
    const QList<CellRef> cells = m_model.allCells();
    for (auto it = cells.crbegin(); it != cells.crend(); ++it)
        if (contains(sheetBox(*it), x, y))
            return *it;
    return {-1, -1};
}

int TemplateCanvas::sectionAt(const QPointF &p) const
{
    const auto [x, y] = toMm(p);
    for (int s = m_model.sectionCount() - 1; s >= 0; --s)
        if (contains(m_model.sectionRect(s), x, y))
            return s;
    return -1;
}

void TemplateCanvas::moveSelection(Fixed4 dx, Fixed4 dy)
{
    if (!m_selection.isEmpty()) {
        m_model.moveCells(m_selection, dx, dy);
    } else if (m_section >= 0) {
        MmRect r = m_model.sectionRect(m_section);
        r.x += dx;
        r.y += dy;
        m_model.setSectionRect(m_section, r);
    }
}

void TemplateCanvas::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), QColor(0xE0, 0xE0, 0xE0));
    const strip::ViewScales &v = m_geometry.detail;
    p.save();
    p.translate(Margin, Margin);
    p.scale(m_zoom, m_zoom);
    if (m_scene) {
        const QRect exposed = QRectF(QPointF(event->rect().topLeft() - QPoint(Margin, Margin)) / m_zoom,
                                     QSizeF(event->rect().size()) / m_zoom)
                                  .toAlignedRect()
                                  .adjusted(-2, -2, 2, 2);
        m_scene->paint(p, strip::View::Detail, exposed, [](int) { return 0; });
    } else {
        p.fillRect(QRect(0, 0, v.pixelWidth, v.pixelHeight), Qt::white);
    }
    p.restore();

    // Millimetre grid: every 5 mm light, every 10 mm darker with its number.
    const int widthMm = int(real(v.sheetWidth)), heightMm = int(real(v.sheetHeight));
    p.setFont(QFont(font().family(), 7));
    for (int mm = 0; mm <= widthMm; mm += 5) {
        const QPointF a = toPixels(Fixed4::fromInt(mm), Fixed4()), b = toPixels(Fixed4::fromInt(mm), v.sheetHeight);
        p.setPen(QColor(0, 0, 255, mm % 10 == 0 ? 60 : 25));
        p.drawLine(a, b);
        if (mm % 10 == 0) {
            p.setPen(Qt::darkGray);
            p.drawText(QRectF(a.x() - 15, 2, 30, Margin - 4), Qt::AlignCenter, QString::number(mm));
        }
    }
    for (int mm = 0; mm <= heightMm; mm += 5) {
        const QPointF a = toPixels(Fixed4(), Fixed4::fromInt(mm)), b = toPixels(v.sheetWidth, Fixed4::fromInt(mm));
        p.setPen(QColor(0, 0, 255, mm % 10 == 0 ? 60 : 25));
        p.drawLine(a, b);
        if (mm % 10 == 0) {
            p.setPen(Qt::darkGray);
            p.drawText(QRectF(0, a.y() - 8, Margin - 2, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(mm));
        }
    }

    // The selection, where a drag would put it.
    Fixed4 dx, dy;
    if (m_state == State::Moving) {
        const auto [x0, y0] = toMm(m_pressAt);
        const auto [x1, y1] = toMm(m_dragAt);
        std::tie(dx, dy) = tpl::snapMove(selectionBounds(), x1 - x0, y1 - y0, snapTargets(), m_snap);
    }
    QPen pen(QColor(0, 120, 215), 2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const CellRef &r : m_selection) {
        MmRect k = sheetBox(r);
        k.x += dx;
        k.y += dy;
        p.drawRect(pixelRect(k));
    }
    if (m_section >= 0 && m_selection.isEmpty()) {
        MmRect s = m_model.sectionRect(m_section);
        s.x += dx;
        s.y += dy;
        p.drawRect(pixelRect(s));
    }
    if (m_state == State::Resizing) {
        const auto [x0, y0] = toMm(m_pressAt);
        const auto [x1, y1] = toMm(m_dragAt);
        p.setPen(QPen(QColor(0, 120, 215), 1, Qt::DashLine));
        p.drawRect(pixelRect(resized(resizeTarget(), x1 - x0, y1 - y0)));
    }
    if (m_state == State::Idle) {
        const MmRect r = resizeTarget();
        if (r.width > Fixed4() || r.height > Fixed4()) {
            const QRectF px = pixelRect(r);
            p.setPen(QColor(0, 120, 215));
            p.setBrush(Qt::white);
            for (const QPointF &c : {px.topLeft(), px.topRight(), px.bottomRight(), px.bottomLeft()})
                p.drawRect(QRectF(c.x() - HandleSize / 2, c.y() - HandleSize / 2, HandleSize, HandleSize));
        }
    }
    if (m_state == State::Rubber || m_state == State::DrawingSection) {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(m_pressAt, m_dragAt).normalized());
    }
}

void TemplateCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    m_pressAt = m_dragAt = event->position();
    const bool adding = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (m_tool == Tool::Section) {
        m_state = State::DrawingSection;
        return;
    }
    if (!adding && (m_handle = handleAt(m_pressAt)) >= 0) {
        m_state = State::Resizing;
        return;
    }
    const CellRef cell = cellAt(m_pressAt);
    if (cell.section >= 0) {
        if (adding) {
            QList<CellRef> sel = m_selection;
            if (sel.contains(cell))
                sel.removeAll(cell);
            else
                sel.append(cell);
            selectCells(sel);
            return;
        }
        if (!m_selection.contains(cell))
            selectCells({cell});
        m_state = State::Moving;
        return;
    }
    const int section = sectionAt(m_pressAt);
    if (section >= 0 && !adding) {
        selectSection(section);
        m_state = State::Moving;
        return;
    }
    if (!adding && (!m_selection.isEmpty() || m_section >= 0))
        selectCells({});
    m_state = State::Rubber;
}

void TemplateCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (m_state == State::Idle)
        return;
    m_dragAt = event->position();
    update();
}

void TemplateCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_state == State::Idle)
        return;
    m_dragAt = event->position();
    const bool adding = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    const State state = m_state;
    m_state = State::Idle;
    const auto [x0, y0] = toMm(m_pressAt);
    const auto [x1, y1] = toMm(m_dragAt);
    switch (state) {
    case State::Moving: {
        if (x1 == x0 && y1 == y0)
            break;
        const auto [dx, dy] = tpl::snapMove(selectionBounds(), x1 - x0, y1 - y0, snapTargets(), m_snap);
        moveSelection(dx, dy);
        break;
    }
    case State::Resizing: {
        const MmRect was = resizeTarget();
        const MmRect now = resized(was, x1 - x0, y1 - y0);
        if (now == was)
            break;
        if (m_selection.isEmpty()) {
            m_model.setSectionRect(m_section, now);
            break;
        }
        // The key box takes the new size; the key-number box and the text
        // area keep their places in it, the text area its margins.
        const CellRef ref = m_selection.first();
        tpl::CellData d = m_model.cell(ref);
        const Fixed4 dl = now.x - was.x, dt = now.y - was.y, dw = now.width - was.width, dh = now.height - was.height;
        d.keyBox = {d.keyBox.x + dl, d.keyBox.y + dt, now.width, now.height};
        d.keyNumberBox.x += dl;
        d.keyNumberBox.y += dt;
        const MmRect t{d.textArea.x + dl, d.textArea.y + dt, d.textArea.width + dw, d.textArea.height + dh};
        if (t.width > Fixed4() && t.height > Fixed4())
            d.textArea = t;
        m_model.setCell(ref, d);
        break;
    }
    case State::Rubber: {
        const MmRect band = normalized(x0, y0, x1, y1);
        QList<CellRef> sel = adding ? m_selection : QList<CellRef>();
        for (const CellRef &r : m_model.allCells())
            if (intersects(band, sheetBox(r)) && !sel.contains(r))
                sel.append(r);
        selectCells(sel);
        break;
    }
    case State::DrawingSection: {
        const tpl::SnapOptions gridOnly{m_snap.grid, false, m_snap.gridStep, m_snap.gridStep};
        const MmRect r = normalized(tpl::snapValue(x0, {}, gridOnly), tpl::snapValue(y0, {}, gridOnly),
                                    tpl::snapValue(x1, {}, gridOnly), tpl::snapValue(y1, {}, gridOnly));
        m_tool = Tool::Select;
        if (r.width > Fixed4() && r.height > Fixed4())
            selectSection(m_model.addSection(r));
        break;
    }
    case State::Idle:
        break;
    }
    update();
}

void TemplateCanvas::keyPressEvent(QKeyEvent *event)
{
    const Fixed4 step = event->modifiers() & Qt::ShiftModifier ? Fixed4::fromInt(1) : Fixed4::fromRaw(1000);
    switch (event->key()) {
    case Qt::Key_Left:
        moveSelection(-step, Fixed4());
        return;
    case Qt::Key_Right:
        moveSelection(step, Fixed4());
        return;
    case Qt::Key_Up:
        moveSelection(Fixed4(), -step);
        return;
    case Qt::Key_Down:
        moveSelection(Fixed4(), step);
        return;
    case Qt::Key_Escape:
        if (m_state != State::Idle) {
            m_state = State::Idle;
            update();
        } else {
            selectCells({});
        }
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
