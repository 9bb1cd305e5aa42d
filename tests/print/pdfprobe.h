#pragma once
// Looking into the PDF files the print tests produce, with poppler's tools:
// the papers of the pages, the words with their boxes, and the crosshairs of
// a calibration page found on the page rendered at 10 pixels per mm.

#include <QImage>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pdfprobe {

inline QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every page's size in points and rotation, as "W x H rot R", in order.
inline QStringList pageShapes(const QString &pdf)
{
    const QString out = run(QStringLiteral("pdfinfo"), {"-f", "1", "-l", "9999", pdf});
    static const QRegularExpression size(QStringLiteral("^Page +(\\d+) size: +([\\d.]+) x ([\\d.]+)"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression rot(QStringLiteral("^Page +(\\d+) rot: +(\\d+)"),
                                        QRegularExpression::MultilineOption);
    QStringList shapes;
    for (auto it = size.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        shapes.append(m.captured(2) + QStringLiteral(" x ") + m.captured(3));
    }
    for (auto it = rot.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        const int i = m.captured(1).toInt() - 1;
        if (i >= 0 && i < shapes.size())
            shapes[i] += QStringLiteral(" rot ") + m.captured(2);
    }
    return shapes;
}

inline QString title(const QString &pdf)
{
    static const QRegularExpression t(QStringLiteral("^Title: +(.*)$"), QRegularExpression::MultilineOption);
    return t.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).trimmed();
}

// The words of every page with their boxes in points, pdftotext's
// bounding-box listing without its header (which names the producer).
inline QString wordBoxes(const QString &pdf)
{
    const QString html = run(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
    static const QRegularExpression item(QStringLiteral("<(page|word)[^>]*>[^<]*"));
    QStringList items;
    for (auto it = item.globalMatch(html); it.hasNext();)
        items.append(it.next().captured(0));
    return items.join(u'\n');
}

// The words of every page whose box ends within `marginMm` of the page's
// right edge or beyond it, each as "text xMax/width" in points.
inline QStringList wordsNearRightEdge(const QString &pdf, double marginMm)
{
    static const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\""));
    static const QRegularExpression word(QStringLiteral("<word [^>]*xMax=\"([\\d.]+)\"[^>]*>([^<]*)"));
    QStringList found;
    double width = 0;
    for (const QString &item : wordBoxes(pdf).split(u'\n')) {
        if (const auto m = page.match(item); m.hasMatch())
            width = m.captured(1).toDouble();
        else if (const auto w = word.match(item); w.hasMatch() && w.captured(1).toDouble() > width - marginMm * 72 / 25.4)
            found.append(w.captured(2) + u' ' + w.captured(1) + u'/' + QString::number(width));
    }
    return found;
}

inline QString text(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {pdf, "-"});
}

// Page `page` (1-based) rendered in grey at 254 dpi: 10 pixels per mm.
inline QImage render(const QString &pdf, int page = 1)
{
    QTemporaryDir dir;
    const QString n = QString::number(page);
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {"-r", "254", "-gray", "-png", "-singlefile", "-f", n, "-l", n, pdf,
                                         dir.filePath(QStringLiteral("p"))});
    p.waitForFinished(60000);
    return QImage(dir.filePath(QStringLiteral("p.png"))).convertToFormat(QImage::Format_Grayscale8);
}

constexpr int PixelsPerMm = 10;

// The centre, in mm from the page's top-left corner, of the crosshair
// nearest to `nominal` (mm) within 10 mm of it: the middle of the rows
// holding a dark run of 10 mm or more, and likewise of the columns. A point
// with negative coordinates when there is no such crosshair.
inline QPointF crossNear(const QImage &img, QPointF nominal)
{
    const int r = 10 * PixelsPerMm, arm = 10 * PixelsPerMm;
    const int cx = qRound(nominal.x() * PixelsPerMm), cy = qRound(nominal.y() * PixelsPerMm);
    const int x0 = qMax(0, cx - r), x1 = qMin(img.width() - 1, cx + r);
    const int y0 = qMax(0, cy - r), y1 = qMin(img.height() - 1, cy + r);
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    double rows = 0, cols = 0;
    int nRows = 0, nCols = 0;
    for (int y = y0; y <= y1; ++y) {
        int run = 0, longest = 0;
        for (int x = x0; x <= x1; ++x) {
            run = dark(x, y) ? run + 1 : 0;
            longest = qMax(longest, run);
        }
        if (longest >= arm) {
            rows += y;
            ++nRows;
        }
    }
    for (int x = x0; x <= x1; ++x) {
        int run = 0, longest = 0;
        for (int y = y0; y <= y1; ++y) {
            run = dark(x, y) ? run + 1 : 0;
            longest = qMax(longest, run);
        }
        if (longest >= arm) {
            cols += x;
            ++nCols;
        }
    }
    if (!nRows || !nCols)
        return {-1, -1};
    // A pixel's centre lies half a pixel into it.
    return {(cols / nCols + 0.5) / PixelsPerMm, (rows / nRows + 0.5) / PixelsPerMm};
}

} // namespace pdfprobe
