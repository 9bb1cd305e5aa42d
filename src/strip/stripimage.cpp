#include "strip/stripimage.h"

#include "platform/fonts.h"
#include "register/cellrecord.h"
#include "strip/cellrenderer.h"
#include "strip/colourline.h"

#include <algorithm>
#include <QFont>
#include <QPainter>
#include <vector>

namespace strip {

namespace {

QImage whiteSheet(const ViewScales &s)
{
    QImage image(qMax(s.pixelWidth, 0), qMax(s.pixelHeight, 0), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// A 1-pixel black outline around a filled area, covering exactly the pixels
// of `r`.
void outlinedRect(QPainter &p, const QRect &r, int fill)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(r, Qt::black);
    if (r.width() > 2 && r.height() > 2)
        p.fillRect(r.adjusted(1, 1, -1, -1), toQColor(fill));
}

void outlinedRoundedRect(QPainter &p, const QRect &r, int fill)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(toQColor(fill));
    // An aliased outline of a w x h rectangle covers w + 1 by h + 1 pixels.
    p.drawRoundedRect(QRect(r.x(), r.y(), r.width() - 1, r.height() - 1), KeyCornerWidth / 2.0,
                      KeyCornerHeight / 2.0, Qt::AbsoluteSize);
    p.restore();
}

} // namespace

SheetPainter::SheetPainter(const SheetGeometry &geometry, bool detail, bool overview) : m_geometry(geometry)
{
    if (detail)
        m_detail = whiteSheet(geometry.detail);
    if (overview)
        m_overview = whiteSheet(geometry.overview);
}

SheetPainter::SheetPainter(const SheetGeometry &geometry, View v, QImage sheet, const QRegion &clip)
    : m_geometry(geometry), m_clip(clip)
{
    image(v) = std::move(sheet);
    paint(v, [&](QPainter &p) { p.fillRect(image(v).rect(), Qt::white); });
}

void SheetPainter::paint(View v, const std::function<void(QPainter &)> &draw)
{
    QImage &img = image(v);
    if (img.isNull())
        return;
    QPainter p(&img);
    if (!m_clip.isEmpty())
        p.setClipRegion(m_clip);
    draw(p);
}

void SheetPainter::drawSection(const Section &section)
{
    for (View v : {View::Detail, View::Overview}) {
        const QRect r = sectionRect(section.rect, m_geometry.view(v)).pixels();
        if (m_clip.isEmpty() || m_clip.intersects(r))
            paint(v, [&](QPainter &p) { outlinedRect(p, r, SectionFill); });
    }
}

void SheetPainter::drawKeyBox(const Section &section, const Cell &cell)
{
    for (View v : {View::Detail, View::Overview}) {
        const QRect r = keyBoxRect(section.rect, cell.mm.keyBox, m_geometry.view(v)).pixels();
        if (!m_clip.isEmpty() && !m_clip.intersects(r))
            continue;
        paint(v, [&](QPainter &p) {
            if (m_geometry.rounded)
                outlinedRoundedRect(p, r, KeyBoxFill);
            else
                outlinedRect(p, r, KeyBoxFill);
        });
    }
}

namespace {

SheetGeometry geometryOfEntry(const RegisterLines &lines, int h)
{
    const regfmt::EntryLines entry(lines, h);
    return sheetGeometry(entry.seriesCaption(), entry.stripType());
}

// Walks the strip once, drawing the sheets and keeping the cells, which are
// laid out once the walk is known to stay within the limits.
struct SceneWalk : StripVisitor
{
    StripScene scene;
    std::vector<std::pair<Section, Cell>> cells;
    explicit SceneWalk(const SheetGeometry &g) : scene(g) {}
    bool section(const Section &s) override
    {
        scene.addSection(s);
        return true;
    }
    bool cell(const Section &s, const Cell &c) override
    {
        scene.addKeyBox(s, c);
        cells.emplace_back(s, c);
        return true;
    }
};

void walkOrThrow(const RegisterLines &lines, int h, SceneWalk &walk)
{
    if (walkStrip(lines, h, walk).overLimit())
        throw StripLimitError();
}

Qt::Alignment horizontalAlignment(int a)
{
    return a == regfmt::AlignCentre ? Qt::AlignHCenter : a == regfmt::AlignRight ? Qt::AlignRight : Qt::AlignLeft;
}

} // namespace

QImage renderSheet(const RegisterLines &lines, int h, View view)
{
    SceneWalk walk(geometryOfEntry(lines, h));
    walkOrThrow(lines, h, walk);
    return walk.scene.sheet(view);
}

KeyNumberLabel keyNumberLabel(const RegisterLines &lines, const Section &section, const Cell &cell,
                              const SheetGeometry &g, View view)
{
    const int b = cell.line;
    // The label's format lines are read even when it stays hidden, so that a
    // malformed record is reported the same way in every strip.
    const QString &face = lineAt(lines, b + regfmt::cell::KeyNumberFace);
    const int size = intLineAt(lines, b + regfmt::cell::KeyNumberSize);
    const int colour = intLineAt(lines, b + regfmt::cell::KeyNumberColour);
    const bool bold = intLineAt(lines, b + regfmt::cell::KeyNumberBold) != 0;
    const bool italic = intLineAt(lines, b + regfmt::cell::KeyNumberItalic) != 0;
    const int alignment = intLineAt(lines, b + regfmt::cell::KeyNumberAlignment);
    const int number = keyNumberOf(lineAt(lines, b + regfmt::cell::KeyCode));
    KeyNumberLabel label;
    if (number <= 0 || section.keyNumberFlag == 0)
        return label;
    const int px = lineHeightPixels(viewFontSize(size, g, view));
    label.box = boxRect(section.rect, cell.mm.keyNumberBox, g.view(view));
    if (px <= 0 || label.box.isEmpty())
        return label;
    label.font = fontOfFace(face);
    label.font.setPixelSize(px);
    label.font.setBold(bold);
    label.font.setItalic(italic);
    label.colour = toQColor(colour);
    label.flags = int(Qt::AlignTop | horizontalAlignment(alignment) | Qt::TextSingleLine);
    label.text = QString::number(number);
    return label;
}

void drawKeyNumber(QPainter &p, const KeyNumberLabel &label)
{
    if (label.text.isEmpty())
        return;
    p.save();
    p.setFont(label.font);
    p.setPen(label.colour);
    p.setClipRect(label.box);
    p.drawText(label.box, label.flags, label.text);
    p.restore();
}

StripScene::StripScene(const SheetGeometry &g) : m_geometry(g) {}

QSize StripScene::size(View v) const
{
    const ViewScales &s = m_geometry.view(v);
    return s.pixelWidth > 0 && s.pixelHeight > 0 ? QSize(s.pixelWidth, s.pixelHeight) : QSize(0, 0);
}

const QImage &StripScene::sheet(View v) const
{
    const int vi = index(v);
    if (!m_sheetDrawn[vi]) {
        SheetPainter painter(m_geometry, v == View::Detail, v == View::Overview);
        drawSteps(painter);
        m_sheet[vi] = painter.image(v);
        m_sheetDrawn[vi] = true;
    }
    return m_sheet[vi];
}

void StripScene::drawSteps(SheetPainter &painter) const
{
    for (const SheetStep &step : m_sheetSteps) {
        if (step.isSection)
            painter.drawSection(step.section);
        else
            painter.drawKeyBox(step.section, step.cell);
    }
}

void StripScene::shareSheets(const StripScene &other)
{
    // What the sheet painter reads: the geometry, each section's rectangle
    // and each key box's rectangle, in order.
    const auto sameStep = [](const SheetStep &a, const SheetStep &b) {
        return a.isSection == b.isSection && a.section.rect == b.section.rect
            && (a.isSection || a.cell.mm.keyBox == b.cell.mm.keyBox);
    };
    if (!(m_geometry == other.m_geometry)
        || !std::equal(m_sheetSteps.begin(), m_sheetSteps.end(), other.m_sheetSteps.begin(), other.m_sheetSteps.end(),
                       sameStep))
        return;
    for (int v = 0; v < 2; ++v)
        if (other.m_sheetDrawn[v] && !m_sheetDrawn[v]) {
            m_sheet[v] = other.m_sheet[v];
            m_sheetDrawn[v] = true;
        }
}

void StripScene::addSection(const Section &section)
{
    m_sheetSteps.push_back({true, section, Cell()});
    m_sheetDrawn[0] = m_sheetDrawn[1] = false;
}

void StripScene::addKeyBox(const Section &section, const Cell &cell)
{
    m_sheetSteps.push_back({false, section, cell});
    m_sheetDrawn[0] = m_sheetDrawn[1] = false;
}

void StripScene::addCell(const RegisterLines &lines, const Section &section, const Cell &cell)
{
    Item item;
    item.line = cell.line;
    const QString &keyCode = lineAt(lines, cell.line + regfmt::cell::KeyCode);
    item.assignable = isAssignableKey(keyCode);
    item.blankKeyCode = isBlankKeyCode(keyCode);
    for (View v : {View::Detail, View::Overview}) {
        const int vi = index(v);
        const CellRects rects = cellRects(section.rect, cell.mm, geometry().view(v));
        item.textArea[vi] = rects.textArea;
        item.frame[vi] = rects.frame;
        item.number[vi] = keyNumberLabel(lines, section, cell, geometry(), v);
    }
    m_items.push_back(item);
}

void StripScene::renderCell(const RegisterLines &lines, int i, int record)
{
    Item &item = m_items.at(size_t(i));
    item.line = record;
    const int points = cellPointSize(lines, record);
    // A picture is decoded for the larger of the two views' text areas.
    const QSize drawn = item.textArea[0].size().expandedTo(item.textArea[1].size());
    item.content = readCellContent(lines, record, drawn);
    item.showsPicture = item.content.showsPicture;
    for (View v : {View::Detail, View::Overview}) {
        const int vi = index(v);
        // Only the part of the text area on the sheet is drawn: an area far
        // larger than the sheet would otherwise need an image of its size.
        item.textAt[vi] = item.textArea[vi].intersected(QRect(QPoint(), size(v))).topLeft();
        item.points[vi] = viewFontSize(points, geometry(), v);
        item.text[vi] = QImage();
        item.drawn[vi] = false;
    }
}

void StripScene::paint(QPainter &p, View view, const QRect &exposed, const std::function<int(int)> &outline) const
{
    const int vi = index(view);
    const QImage &sheet = this->sheet(view);
    const QRect onSheet = exposed.intersected(sheet.rect());
    if (!onSheet.isEmpty())
        p.drawImage(onSheet.topLeft(), sheet, onSheet);

    // Key numbers and selection frames lie on the sheet, below the text areas.
    for (int i = 0; i < cellCount(); ++i) {
        const Item &item = m_items[size_t(i)];
        if (item.number[vi].box.intersects(exposed))
            drawKeyNumber(p, item.number[vi]);
        const QRect frame = item.frame[vi];
        const int width = item.assignable ? outline(i) : 0;
        if (width > 0 && frame.width() > 0 && frame.height() > 0 && frame.intersects(exposed)) {
            p.fillRect(frame, Qt::black);
            p.fillRect(frame.adjusted(width, width, -width, -width), Qt::white);
        }
    }
    for (const Item &item : m_items) {
        const QRect area = item.textArea[vi];
        if (!item.areaShown() || area.isEmpty() || !area.intersects(exposed))
            continue;
        if (item.showsPicture) {
            p.fillRect(area, Qt::white);
            if (!item.content.picture.isNull())
                p.drawImage(area, item.content.picture);
            continue;
        }
        if (!item.drawn[vi]) {
            item.text[vi] = drawCellWindow(item.content, area.size(), shownWindow(item, view), item.points[vi]);
            item.drawn[vi] = true;
        }
        if (!item.text[vi].isNull())
            p.drawImage(item.textAt[vi], item.text[vi]);
    }
}


namespace {

// What a cell's text area shows is the same (format, text, picture).
bool sameContent(const CellContent &a, const CellContent &b)
{
    const TextFormat &f = a.format, &g = b.format;
    return a.showsPicture == b.showsPicture && a.text == b.text && f.face == g.face && f.pointSize == g.pointSize
        && f.textColour == g.textColour && f.background == g.background && f.bold == g.bold && f.italic == g.italic
        && f.alignment == g.alignment && (!a.showsPicture || a.picture == b.picture);
}

bool sameLabel(const KeyNumberLabel &a, const KeyNumberLabel &b)
{
    return a.box == b.box && a.text == b.text && a.flags == b.flags && a.colour == b.colour && a.font == b.font;
}

} // namespace

QRect StripScene::shownWindow(const Item &item, View v) const
{
    const QRect area = item.textArea[index(v)];
    return area.intersected(QRect(QPoint(), size(v))).translated(-area.topLeft());
}

QRect StripScene::stepPixels(const SheetStep &step, View v) const
{
    const ViewScales &s = m_geometry.view(v);
    return (step.isSection ? sectionRect(step.section.rect, s) : keyBoxRect(step.section.rect, step.cell.mm.keyBox, s))
        .pixels();
}

bool StripScene::sameLayout(const RegisterLines &lines, int headerLine) const
{
    struct Compare : StripVisitor
    {
        const StripScene &s;
        const RegisterLines &lines;
        size_t step = 0, item = 0;
        bool same = true;
        Compare(const StripScene &s, const RegisterLines &l) : s(s), lines(l) {}
        bool next(bool isSection, const Section &sec, const Cell &c)
        {
            if (step >= s.m_sheetSteps.size())
                return same = false;
            const SheetStep &was = s.m_sheetSteps[step++];
            same = was.isSection == isSection && was.section.rect == sec.rect
                   && was.section.keyNumberFlag == sec.keyNumberFlag
                   && (isSection
                       || (was.cell.mm.keyBox == c.mm.keyBox && was.cell.mm.keyNumberBox == c.mm.keyNumberBox
                           && was.cell.mm.textArea == c.mm.textArea));
            return same;
        }
        bool section(const Section &sec) override { return next(true, sec, Cell()); }
        bool cell(const Section &sec, const Cell &c) override
        {
            if (!next(false, sec, c) || item >= s.m_items.size())
                return same = false;
            const Item &it = s.m_items[item++];
            const QString &keyCode = lineAt(lines, c.line + regfmt::cell::KeyCode);
            same = it.assignable == isAssignableKey(keyCode) && it.blankKeyCode == isBlankKeyCode(keyCode);
            for (View v : {View::Detail, View::Overview}) {
                const KeyNumberLabel n = keyNumberLabel(lines, sec, c, s.geometry(), v);
                const KeyNumberLabel &was = it.number[index(v)];
                same = same && n.box == was.box && n.font == was.font && n.colour == was.colour
                       && n.flags == was.flags && n.text == was.text;
            }
            return same;
        }
    } compare(*this, lines);
    const WalkSummary walk = walkStrip(lines, headerLine, compare);
    return compare.same && walk.stop == WalkStop::Complete && compare.step == m_sheetSteps.size()
           && compare.item == m_items.size();
}

QRegion StripScene::changedSteps(const StripScene &previous, View v) const
{
    QRegion out;
    for (size_t i = 0; i < m_sheetSteps.size(); ++i) {
        const SheetStep &now = m_sheetSteps[i], &was = previous.m_sheetSteps[i];
        const QRect a = stepPixels(now, v), b = previous.stepPixels(was, v);
        if (now.isSection != was.isSection || a != b)
            out = out.united(a).united(b);
    }
    return out;
}

void StripScene::adoptDrawn(StripScene &previous)
{
    shareSheets(previous);
    if (!(m_geometry == previous.m_geometry))
        return;
    if (m_sheetSteps.size() == previous.m_sheetSteps.size())
        for (View v : {View::Detail, View::Overview}) {
            const int vi = index(v);
            if (m_sheetDrawn[vi] || !previous.m_sheetDrawn[vi])
                continue;
            const QRegion changed = changedSteps(previous, v);
            QImage sheet = std::move(previous.m_sheet[vi]);
            previous.m_sheet[vi] = QImage();
            previous.m_sheetDrawn[vi] = false;
            if (!changed.isEmpty()) {
                SheetPainter painter(m_geometry, v, std::move(sheet), changed);
                drawSteps(painter);
                sheet = std::move(painter.image(v));
            }
            m_sheet[vi] = std::move(sheet);
            m_sheetDrawn[vi] = true;
        }
    const size_t n = std::min(m_items.size(), previous.m_items.size());
    for (size_t i = 0; i < n; ++i) {
        Item &item = m_items[i];
        const Item &was = previous.m_items[i];
        if (item.showsPicture || !sameContent(item.content, was.content))
            continue;
        for (View v : {View::Detail, View::Overview}) {
            const int vi = index(v);
            if (item.drawn[vi] || !was.drawn[vi] || item.points[vi] != was.points[vi]
                || item.textArea[vi].size() != was.textArea[vi].size()
                || shownWindow(item, v) != previous.shownWindow(was, v))
                continue;
            item.text[vi] = was.text[vi];
            item.drawn[vi] = true;
        }
    }
}

QRegion StripScene::changedArea(const StripScene &previous, View v) const
{
    const int vi = index(v);
    if (!(m_geometry == previous.m_geometry) || m_sheetSteps.size() != previous.m_sheetSteps.size()
        || m_items.size() != previous.m_items.size())
        return QRegion(QRect(QPoint(), size(v)).united(QRect(QPoint(), previous.size(v))));
    QRegion out = changedSteps(previous, v);
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Item &now = m_items[i], &was = previous.m_items[i];
        if (now.textArea[vi] == was.textArea[vi] && now.frame[vi] == was.frame[vi]
            && sameLabel(now.number[vi], was.number[vi]) && now.assignable == was.assignable
            && now.areaShown() == was.areaShown() && now.points[vi] == was.points[vi]
            && sameContent(now.content, was.content))
            continue;
        for (const Item *item : {&now, &was})
            out = out.united(item->textArea[vi]).united(item->frame[vi]).united(item->number[vi].box);
    }
    return out;
}

StripScene sceneOfEntry(const RegisterLines &lines, int h)
{
    SceneWalk walk(geometryOfEntry(lines, h));
    walkOrThrow(lines, h, walk);
    StripScene &scene = walk.scene;
    // Every key number is read before any cell's text.
    for (const auto &[section, cell] : walk.cells)
        scene.addCell(lines, section, cell);
    for (int i = 0; i < scene.cellCount(); ++i)
        scene.renderCell(lines, i, scene.cell(i).line);
    return std::move(scene);
}

QImage renderStrip(const RegisterLines &lines, int h, View view)
{
    const StripScene scene = sceneOfEntry(lines, h);
    QImage image(scene.size(view), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter p(&image);
    scene.paint(p, view, image.rect(), [](int) { return 1; });
    return image;
}

} // namespace strip
