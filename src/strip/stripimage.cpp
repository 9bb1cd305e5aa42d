#include "strip/stripimage.h"

#include "platform/fonts.h"
#include "strip/cellrecord.h"
#include "strip/cellrenderer.h"
#include "strip/colourline.h"

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

SheetPainter::SheetPainter(const SheetGeometry &geometry)
    : m_geometry(geometry), m_detail(whiteSheet(geometry.detail)), m_overview(whiteSheet(geometry.overview))
{
}

void SheetPainter::drawSection(const Section &section)
{
    for (View v : {View::Detail, View::Overview}) {
        QImage &img = image(v);
        if (img.isNull())
            continue;
        QPainter p(&img);
        outlinedRect(p, sectionRect(section.rect, m_geometry.view(v)).pixels(), SectionFill);
    }
}

void SheetPainter::drawKeyBox(const Section &section, const Cell &cell)
{
    for (View v : {View::Detail, View::Overview}) {
        QImage &img = image(v);
        if (img.isNull())
            continue;
        QPainter p(&img);
        const QRect r = keyBoxRect(section.rect, cell.mm.keyBox, m_geometry.view(v)).pixels();
        if (m_geometry.rounded)
            outlinedRoundedRect(p, r, KeyBoxFill);
        else
            outlinedRect(p, r, KeyBoxFill);
    }
}

namespace {

struct WalkedCell
{
    Section section;
    Cell cell;
};

// Walks the strip once, drawing the sheets and keeping the cells for the
// elements that lie above the sheet.
struct SheetWalk : StripVisitor
{
    SheetPainter painter;
    std::vector<WalkedCell> cells;
    explicit SheetWalk(const SheetGeometry &g) : painter(g) {}
    bool section(const Section &s) override
    {
        painter.drawSection(s);
        return true;
    }
    bool cell(const Section &s, const Cell &c) override
    {
        painter.drawKeyBox(s, c);
        cells.push_back({s, c});
        return true;
    }
};

SheetGeometry geometryOfEntry(const RegisterLines &lines, int h)
{
    const regfmt::EntryLines entry(lines, h);
    return sheetGeometry(entry.seriesCaption(), entry.stripType());
}

void walkOrThrow(const RegisterLines &lines, int h, SheetWalk &walk)
{
    if (walkStrip(lines, h, walk).overLimit())
        throw StripLimitError();
}

Qt::Alignment horizontalAlignment(int a)
{
    return a == 2 ? Qt::AlignHCenter : a == 3 ? Qt::AlignRight : Qt::AlignLeft;
}

} // namespace

QImage renderSheet(const RegisterLines &lines, int h, View view)
{
    SheetWalk walk(geometryOfEntry(lines, h));
    walkOrThrow(lines, h, walk);
    return walk.painter.image(view);
}

void drawKeyNumber(QPainter &p, const RegisterLines &lines, const Section &section, const Cell &cell,
                   const SheetGeometry &g, View view)
{
    const int b = cell.line;
    // The label's format lines are read even when it stays hidden, so that a
    // malformed record is reported the same way in every strip.
    const QString &face = lineAt(lines, b + cellline::KeyNumberFace);
    const int size = intLineAt(lines, b + cellline::KeyNumberSize);
    const int colour = intLineAt(lines, b + cellline::KeyNumberColour);
    const bool bold = intLineAt(lines, b + cellline::KeyNumberBold) != 0;
    const bool italic = intLineAt(lines, b + cellline::KeyNumberItalic) != 0;
    const int alignment = intLineAt(lines, b + cellline::KeyNumberAlignment);
    const int number = keyNumberOf(lineAt(lines, b + cellline::KeyCode));
    if (number <= 0 || section.keyNumberFlag == 0)
        return;
    const int px = lineHeightPixels(viewFontSize(size, g, view));
    const QRect box = boxRect(section.rect, cell.mm.keyNumberBox, g.view(view));
    if (px <= 0 || box.isEmpty())
        return;
    QFont font = fontOfFace(face);
    font.setPixelSize(px);
    font.setBold(bold);
    font.setItalic(italic);
    p.save();
    p.setFont(font);
    p.setPen(toQColor(colour));
    p.setClipRect(box);
    p.drawText(box, int(Qt::AlignTop | horizontalAlignment(alignment) | Qt::TextSingleLine), QString::number(number));
    p.restore();
}

QImage renderStrip(const RegisterLines &lines, int h, View view)
{
    const SheetGeometry g = geometryOfEntry(lines, h);
    SheetWalk walk(g);
    walkOrThrow(lines, h, walk);
    QImage image = walk.painter.image(view);
    if (image.isNull())
        return image;
    const ViewScales &s = g.view(view);
    QPainter p(&image);

    // Key numbers and selection frames lie on the sheet, below the text areas.
    for (const WalkedCell &wc : walk.cells) {
        drawKeyNumber(p, lines, wc.section, wc.cell, g, view);
        if (isAssignableKey(lineAt(lines, wc.cell.line + cellline::KeyCode))) {
            const QRect frame = cellRects(wc.section.rect, wc.cell.mm, s).frame;
            if (frame.width() > 0 && frame.height() > 0) {
                p.fillRect(frame, Qt::black);
                p.fillRect(frame.adjusted(1, 1, -1, -1), Qt::white);
            }
        }
    }
    for (const WalkedCell &wc : walk.cells) {
        const int b = wc.cell.line;
        const QRect area = cellRects(wc.section.rect, wc.cell.mm, s).textArea;
        const int points = viewFontSize(cellPointSize(lines, b), g, view);
        // Only the part of the text area on the sheet is drawn: an area far
        // larger than the sheet would otherwise need an image of its size.
        const QRect shown = area.intersected(image.rect());
        const RenderedCell r = renderCellWindow(lines, b, area.size(), shown.translated(-area.topLeft()), points);
        if (isBlankKeyCode(lineAt(lines, b + cellline::KeyCode)) || area.isEmpty())
            continue;
        if (r.showsPicture) {
            p.fillRect(area, Qt::white);
            if (!r.picture.isNull())
                p.drawImage(area, r.picture);
        } else {
            p.drawImage(shown.topLeft(), r.text);
        }
    }
    return image;
}

} // namespace strip
