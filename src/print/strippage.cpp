#include "print/strippage.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "register/cellrecord.h"
#include "register/geometry.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/cellrenderer.h"
#include "strip/colourline.h"
#include "strip/picture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>
#include <cmath>

namespace print {

namespace {

// Whole device pixels, kept far beyond any page but within reach of int
// arithmetic, so that a malformed record placing a cell absurdly far off
// cannot overflow a rectangle's width.
int px(Fixed4 v)
{
    return qBound(-strip::MaxPixel, v.toPixels(), strip::MaxPixel);
}

QRect pixelRect(Fixed4 left, Fixed4 top, Fixed4 right, Fixed4 bottom)
{
    const int l = px(left), t = px(top);
    return QRect(l, t, px(right) - l, px(bottom) - t);
}

class PageDrawer : public strip::StripVisitor
{
public:
    PageDrawer(QPainter &p, const RegisterLines &lines, const PagePlacement &pl)
        : m_p(p), m_lines(lines), m_pl(pl), m_dpi(p.device() ? p.device()->logicalDpiY() : 96)
    {
        m_option.setWrapMode(QTextOption::NoWrap);
    }

    bool cell(const strip::Section &s, const strip::Cell &c) override
    {
        drawCell(s.rect, c.mm.textArea, c.line);
        return true;
    }

private:
    void drawCell(const strip::MmRect &sec, const strip::MmRect &area, int b)
    {
        const Fixed4 gx = sec.x, gy = sec.y;
        const Fixed4 dh = m_pl.adjustment.horizontal, dv = m_pl.adjustment.vertical;
        // Printing takes any non-empty picture line as a picture, blanks
        // included; the screen trims the line first.
        const QString type = strip::lineAt(m_lines, b + regfmt::cell::PictureType);
        Fixed4 pw;
        if (!type.isEmpty()) {
            const Fixed4 pl = (gx + area.x + dh) * m_pl.sx - m_pl.ox;
            const Fixed4 pt = (gy + area.y + dv) * m_pl.sy - m_pl.oy;
            const QRect target = pixelRect(pl, pt, pl + area.width * m_pl.sx, pt + area.height * m_pl.sy);
            // Decoded at the device pixels it covers (a turned page
            // included), no larger.
            const QTransform t = m_p.combinedTransform();
            const QSize drawn(qCeil(target.width() * std::hypot(t.m11(), t.m12())),
                              qCeil(target.height() * std::hypot(t.m21(), t.m22())));
            const QImage picture = strip::decodePicture(
                trimControls(type), strip::lineAt(m_lines, b + regfmt::cell::PictureData), drawn);
            if (!picture.isNull())
                m_p.drawImage(target, picture);
            pw = area.width;
        }
        const Fixed4 left = (gx + area.x + pw + dh) * m_pl.sx - m_pl.ox;
        const Fixed4 top = (gy + area.y + dv) * m_pl.sy - m_pl.oy;
        const Fixed4 right = left + (area.width - pw) * m_pl.sx;
        const Fixed4 bottom = top + area.height * m_pl.sy;
        if (!type.isEmpty())
            return; // the text area has no width: nothing of it shows

        const strip::TextFormat f = strip::readTextFormat(m_lines, b);
        const QStringList text = strip::readTextLines(m_lines, b);
        const QColor background = strip::toQColor(f.background);
        m_p.fillRect(pixelRect(left, top, right, bottom), background);

        const int lh = strip::lineHeightPixels(f.pointSize, m_dpi);
        if (lh <= 0 || lh > strip::MaxPixel || text.isEmpty())
            return; // no line fits a band (or none could be placed on any page)
        QFont font = fontOfFace(f.face);
        font.setPixelSize(lh);
        font.setBold(f.bold);
        font.setItalic(f.italic);
        m_p.setFont(font);
        m_p.setPen(strip::toQColor(f.textColour));
        const QFontMetrics fm(font, m_p.device());
        const int ascent = fm.ascent();

        const Fixed4 two = Fixed4::fromInt(2);
        const Fixed4 flh = Fixed4::fromInt(lh);
        const Fixed4 y0 = top + ((bottom - top) - Fixed4::fromInt(text.size()) * flh) / two;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const Fixed4 y = y0 + Fixed4::fromInt(i) * flh;
            const Fixed4 cTop = qMax(top, y);
            const Fixed4 cBottom = qMin(bottom, y + flh);
            if (!(cBottom > cTop))
                continue;
            // The line is shaped once, for its width and for drawing.
            QTextLayout layout(text.at(i), font, m_p.device());
            layout.setTextOption(m_option);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            layout.endLayout();
            const Fixed4 tw = Fixed4::fromInt(qRound(line.horizontalAdvance()));
            Fixed4 x = left; // left alignment, and any value the program never writes
            if (f.alignment == regfmt::AlignCentre)
                x = left + ((right - left) - tw) / two;
            else if (f.alignment == regfmt::AlignRight)
                x = left + (right - left) - tw;
            const QRect clip = pixelRect(left, cTop, right, cBottom);
            m_p.setClipRect(clip);
            m_p.fillRect(clip, background);
            // Top-left corner at (x, y): the baseline lies one ascent below.
            line.setPosition(QPointF(0, ascent - line.ascent()));
            layout.draw(&m_p, QPointF(px(x), px(y)));
            m_p.setClipping(false);
        }
    }

    QPainter &m_p;
    const RegisterLines &m_lines;
    const PagePlacement &m_pl;
    int m_dpi;
    QTextOption m_option;
};

} // namespace

bool drawStripPage(QPainter &painter, const RegisterDocument &doc, int entryNumber, const PagePlacement &placement)
{
    const int marker = doc.findEntry(entryNumber);
    if (marker < 0)
        return false;
    drawStripPageAt(painter, doc.lines(), marker + 1, placement);
    return true;
}

void drawStripPageAt(QPainter &painter, const RegisterLines &lines, int headerLine, const PagePlacement &placement)
{
    painter.save();
    painter.setClipping(false);
    try {
        PageDrawer drawer(painter, lines, placement);
        strip::walkStrip(lines, headerLine, drawer);
    } catch (...) {
        painter.restore();
        throw;
    }
    painter.restore();
}

void drawStripAt(QPainter &painter, const RegisterLines &lines, int headerLine, const strip::MmRect &bounds, Fixed4 x,
                 Fixed4 y, bool turned, const PagePlacement &placement)
{
    PagePlacement at = placement;
    if (!turned) {
        at.adjustment.horizontal += x - bounds.x;
        at.adjustment.vertical += y - bounds.y;
        drawStripPageAt(painter, lines, headerLine, at);
        return;
    }
    // Turned: the strip's x axis runs down the page from the placed block's
    // top-right corner, its y axis to the left.
    const Adjustment &a = placement.adjustment;
    const Fixed4 right = (x + bounds.height + a.horizontal) * placement.sx - placement.ox;
    const Fixed4 top = (y + a.vertical) * placement.sy - placement.oy;
    painter.save();
    painter.translate(px(right), px(top));
    painter.rotate(90);
    at = {placement.sy, placement.sx, Fixed4(), Fixed4(), {-bounds.y, -bounds.x}};
    try {
        drawStripPageAt(painter, lines, headerLine, at);
    } catch (...) {
        painter.restore();
        throw;
    }
    painter.restore();
}

QList<strip::MmRect> stripSections(const RegisterLines &lines, int headerLine)
{
    struct Collect : strip::StripVisitor
    {
        QList<strip::MmRect> rects;
        bool section(const strip::Section &s) override
        {
            rects.append(s.rect);
            return true;
        }
    } collect;
    strip::walkStrip(lines, headerLine, collect);
    return collect.rects;
}

strip::MmRect boundsOf(const QList<strip::MmRect> &sections)
{
    if (sections.isEmpty())
        return {};
    Fixed4 l = sections.first().x, t = sections.first().y;
    Fixed4 r = l + sections.first().width, b = t + sections.first().height;
    for (const strip::MmRect &s : sections) {
        l = qMin(l, s.x);
        t = qMin(t, s.y);
        r = qMax(r, s.x + s.width);
        b = qMax(b, s.y + s.height);
    }
    return {l, t, r - l, b - t};
}

QList<StripJob> planStripJobs(const QList<int> &positions, int copies, bool collate)
{
    QList<StripJob> jobs;
    copies = qMax(1, copies);
    const int outer = collate ? copies : 1;
    const int inner = collate ? 1 : copies;
    for (int o = 0; o < outer; ++o)
        for (int p : positions)
            jobs.append({p, inner});
    return jobs;
}

} // namespace print
