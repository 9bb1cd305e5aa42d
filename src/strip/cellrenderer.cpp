#include "strip/cellrenderer.h"

#include "platform/conversion.h"
#include "platform/fixed4.h"
#include "platform/fonts.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/geometry.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/colourline.h"
#include "strip/picture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace strip {

TextFormat readTextFormat(const RegisterLines &lines, int b)
{
    TextFormat f;
    f.face = lineAt(lines, b + regfmt::cell::Face);
    f.pointSize = intLineAt(lines, b + regfmt::cell::Size);
    const QString &colours = lineAt(lines, b + regfmt::cell::Colours);
    f.textColour = textColourOf(colours);
    f.background = backgroundColourOf(colours);
    f.bold = intLineAt(lines, b + regfmt::cell::Bold) != 0;
    f.italic = intLineAt(lines, b + regfmt::cell::Italic) != 0;
    f.alignment = intLineAt(lines, b + regfmt::cell::Alignment);
    return f;
}

int cellPointSize(const RegisterLines &lines, int b)
{
    return intLineAt(lines, b + regfmt::cell::Size);
}

QStringList readTextLines(const RegisterLines &lines, int b)
{
    const int n = intLineAt(lines, b + regfmt::cell::TextCount);
    if (n < 0 || qint64(b) + regfmt::cell::FirstText + n > lines.size())
        throw TavrelError(QStringLiteral("%1（%2 行目の行数 %3 が行の終わりを越えています）")
                              .arg(RegisterDocument::FormatErrorMessage)
                              .arg(b + regfmt::cell::TextCount + 1)
                              .arg(n));
    return lines.mid(b + regfmt::cell::FirstText, n);
}

QImage cellPicture(const RegisterLines &lines, int b, QSize drawn)
{
    return decodePicture(lineAt(lines, b + regfmt::cell::PictureType), lineAt(lines, b + regfmt::cell::PictureData), drawn);
}

void drawCellText(QImage &image, const TextFormat &format, const QStringList &text, int pointSize, int dpi)
{
    drawCellTextWindow(image, image.size(), QPoint(), format, text, pointSize, dpi);
}

void drawCellTextWindow(QImage &image, QSize area, QPoint offset, const TextFormat &format, const QStringList &text,
                        int pointSize, int dpi)
{
    if (image.isNull())
        return;
    const int W = area.width(), H = area.height();
    QPainter p(&image);
    p.translate(-offset);
    p.fillRect(QRect(0, 0, W, H), toQColor(format.background));
    const int h = lineHeightPixels(pointSize, dpi);
    if (h <= 0)
        return; // every band would be empty: only the background shows
    QFont font = fontOfFace(format.face);
    font.setPixelSize(h);
    font.setBold(format.bold);
    font.setItalic(format.italic);
    p.setFont(font);
    p.setPen(toQColor(format.textColour));
    const QFontMetrics fm(font);
    const int ascent = fm.ascent();

    const Fixed4 fW = Fixed4::fromInt(W), fH = Fixed4::fromInt(H), fh = Fixed4::fromInt(h);
    const Fixed4 two = Fixed4::fromInt(2);
    const Fixed4 v = (fH - Fixed4::fromInt(text.size()) * fh) / two;
    Fixed4 x;
    for (qsizetype j = 0; j < text.size(); ++j) {
        const QString &s = text.at(j);
        const Fixed4 w = Fixed4::fromInt(fm.horizontalAdvance(s));
        if (format.alignment == regfmt::AlignLeft)
            x = Fixed4();
        else if (format.alignment == regfmt::AlignCentre)
            x = (fW - w) / two;
        else if (format.alignment == regfmt::AlignRight)
            x = fW - w;
        const Fixed4 y = v + Fixed4::fromInt(j) * fh;
        const Fixed4 top = qMax(Fixed4(), y);
        const Fixed4 bottom = qMin(fH, y + fh);
        if (!(bottom > top))
            continue;
        const QRect clip(0, top.toPixels(), W, bottom.toPixels() - top.toPixels());
        p.setClipRect(clip);
        p.fillRect(clip, toQColor(format.background));
        p.drawText(QPoint(x.toPixels(), y.toPixels() + ascent), s);
    }
}

RenderedCell renderCell(const RegisterLines &lines, int b, QSize area, int pointSize, int dpi)
{
    return renderCellWindow(lines, b, area, QRect(QPoint(), area), pointSize, dpi);
}

CellContent readCellContent(const RegisterLines &lines, int b, QSize drawn)
{
    CellContent c;
    c.format = readTextFormat(lines, b);
    // A line shows at most 20 characters, as the views cut it.
    c.text = readTextLines(lines, b);
    for (QString &line : c.text)
        line = cutTextLine(line);
    c.showsPicture = cellHasPicture(lines, b);
    if (c.showsPicture)
        c.picture = cellPicture(lines, b, drawn);
    return c;
}

QImage drawCellWindow(const CellContent &c, QSize area, QRect window, int pointSize, int dpi)
{
    window = window.intersected(QRect(QPoint(), area));
    if (c.showsPicture || area.width() <= 0 || area.height() <= 0 || window.isEmpty())
        return QImage();
    QImage image(window.size(), QImage::Format_RGB32);
    drawCellTextWindow(image, area, window.topLeft(), c.format, c.text, pointSize, dpi);
    return image;
}

RenderedCell renderCellWindow(const RegisterLines &lines, int b, QSize area, QRect window, int pointSize, int dpi)
{
    CellContent c = readCellContent(lines, b, area);
    RenderedCell r;
    r.showsPicture = c.showsPicture;
    r.picture = c.picture;
    r.text = drawCellWindow(c, area, window, pointSize, dpi);
    return r;
}

} // namespace strip
