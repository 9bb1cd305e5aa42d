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
        const QString type = strip::lineAt(m_lines, b + strip::cellline::PictureType);
        Fixed4 pw;
        if (!type.isEmpty()) {
            const Fixed4 pl = (gx + area.x + dh) * m_pl.sx - m_pl.ox;
            const Fixed4 pt = (gy + area.y + dv) * m_pl.sy - m_pl.oy;
            const QImage picture = strip::decodePicture(
                trimControls(type), strip::lineAt(m_lines, b + strip::cellline::PictureData));
            if (!picture.isNull())
                m_p.drawImage(pixelRect(pl, pt, pl + area.width * m_pl.sx, pt + area.height * m_pl.sy), picture);
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
            if (f.alignment == 2)
                x = left + ((right - left) - tw) / two;
            else if (f.alignment == 3)
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
