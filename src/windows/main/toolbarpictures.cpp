#include "windows/main/toolbarpictures.h"

#include <QPainter>
#include <QPolygon>

namespace toolbarpictures {

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Grey(128, 128, 128);
const QColor Silver(192, 192, 192);
const QColor DarkBlue(0, 0, 128);
const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);
const QColor DarkYellow(128, 128, 0);
const QColor Red(255, 0, 0);
const QColor Orange(255, 160, 64);

// Fills the pixels x0..x1, y0..y1 (inclusive).
void box(QPainter &p, int x0, int y0, int x1, int y1, const QColor &c)
{
    p.fillRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1, c);
}

void hline(QPainter &p, int x0, int x1, int y, const QColor &c) { box(p, x0, y, x1, y, c); }
void vline(QPainter &p, int x, int y0, int y1, const QColor &c) { box(p, x, y0, x, y1, c); }

// An outlined box: border colour on the edge pixels, fill inside.
void frame(QPainter &p, int x0, int y0, int x1, int y1, const QColor &border, const QColor &fill)
{
    box(p, x0, y0, x1, y1, border);
    if (x1 - x0 >= 2 && y1 - y0 >= 2)
        box(p, x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill);
}

void sheet(QPainter &p, int x0, int y0, int x1, int y1, const QColor &edge)
{
    // A page whose top right corner is folded down.
    const int f = 3;
    p.setPen(edge);
    p.setBrush(White);
    p.drawPolygon(QPolygon({QPoint(x0, y0), QPoint(x1 - f, y0), QPoint(x1, y0 + f), QPoint(x1, y1), QPoint(x0, y1)}));
    vline(p, x1 - f, y0, y0 + f, edge);
    hline(p, x1 - f, x1, y0 + f, edge);
}

// Pixels given as (x, y) pairs.
void dots(QPainter &p, std::initializer_list<QPoint> points, const QColor &c)
{
    for (const QPoint &pt : points)
        p.fillRect(pt.x(), pt.y(), 1, 1, c);
}

void textLines(QPainter &p, const int (&spans)[6][2], const QColor &c)
{
    for (int i = 0; i < 6; ++i)
        hline(p, spans[i][0], spans[i][1], 2 + 2 * i, c);
}

void pencil(QPainter &p, const QColor &tip)
{
    // A pencil lying from the top right down to the bottom left: yellow
    // body with a dark edge, bare wood, then the coloured point.
    for (int i = 0; i < 8; ++i) {
        const int x = 13 - i, y = 2 + i;
        box(p, x - 1, y, x + 1, y, Yellow);
        p.fillRect(x + 2, y, 1, 1, DarkYellow);
        p.fillRect(x - 2, y, 1, 1, DarkYellow);
    }
    box(p, 13, 0, 15, 0, Grey); // the end cap
    box(p, 14, 1, 15, 1, Grey);
    for (int i = 0; i < 2; ++i) {
        const int x = 5 - i, y = 10 + i;
        box(p, x - 1, y, x + 1, y, Orange);
        p.fillRect(x + 2, y, 1, 1, DarkYellow);
        p.fillRect(x - 2, y, 1, 1, DarkYellow);
    }
    box(p, 1, 12, 3, 12, tip);
    box(p, 1, 13, 2, 13, tip);
    box(p, 1, 14, 1, 14, tip);
    p.fillRect(0, 15, 1, 1, tip);
}

// A curved arrow: the head points left at the top, the shaft bends round
// to the right and back along the bottom; mirrored it points right.
void turnArrow(QPainter &p, bool mirrored)
{
    // Each row: y, first x, last x (inclusive).
    static const int rows[][3] = {
        {1, 4, 4},   {2, 3, 4},   {3, 2, 4},   {4, 1, 10},  {5, 1, 11},  {6, 2, 4},   {6, 11, 12},
        {7, 3, 4},   {7, 12, 13}, {8, 4, 4},   {8, 12, 13}, {9, 12, 13}, {10, 11, 12}, {11, 9, 11},
        {12, 5, 10}, {13, 5, 8},
    };
    for (const auto &r : rows) {
        const int x0 = mirrored ? 15 - r[2] : r[1];
        const int x1 = mirrored ? 15 - r[1] : r[2];
        hline(p, x0, x1, r[0], DarkBlue);
    }
}

void drawPicture(QPainter &p, int index)
{
    switch (index) {
    case New:
        sheet(p, 2, 0, 13, 15, Black);
        break;
    case Open: {
        // Back of the folder with its tab, then the open front flap.
        hline(p, 1, 4, 5, Black);
        frame(p, 0, 6, 10, 14, Black, Yellow);
        p.setPen(Black);
        p.setBrush(QColor(255, 255, 160));
        p.drawPolygon(QPolygon({QPoint(3, 9), QPoint(14, 9), QPoint(11, 14), QPoint(0, 14)}));
        // The arrow bending out of the folder to the right and down.
        dots(p, {QPoint(7, 3), QPoint(7, 2), QPoint(8, 1), QPoint(9, 0), QPoint(10, 0), QPoint(11, 0), QPoint(12, 1),
                 QPoint(13, 2)},
             Black);
        hline(p, 11, 15, 3, Black);
        hline(p, 12, 14, 4, Black);
        dots(p, {QPoint(13, 5)}, Black);
        break;
    }
    case Save:
        frame(p, 1, 1, 14, 14, Black, DarkBlue);
        frame(p, 3, 1, 12, 7, Black, White); // label
        hline(p, 5, 10, 3, Grey);
        hline(p, 5, 10, 5, Grey);
        frame(p, 4, 10, 11, 14, Black, Silver); // metal shutter
        box(p, 5, 11, 6, 13, DarkBlue);
        break;
    case Print:
        frame(p, 4, 0, 11, 5, Black, White); // paper going in
        frame(p, 0, 5, 15, 11, Black, Silver);
        hline(p, 1, 14, 6, White);
        box(p, 12, 7, 13, 7, QColor(0, 192, 0));
        hline(p, 1, 14, 10, Grey);
        frame(p, 3, 9, 12, 15, Black, White); // printed sheet
        hline(p, 5, 10, 11, Grey);
        hline(p, 5, 9, 13, Grey);
        break;
    case JimeijoNew: {
        frame(p, 0, 0, 9, 11, Grey, White);
        frame(p, 5, 3, 15, 15, Blue, White);
        const int spans[6][2] = {{7, 13}, {7, 12}, {7, 13}, {7, 11}, {7, 13}, {7, 12}};
        for (int i = 0; i < 5; ++i)
            hline(p, spans[i][0], spans[i][1], 5 + 2 * i, Black);
        break;
    }
    case JimeijoDelete:
        for (int i = 0; i < 10; ++i) {
            box(p, 3 + i, 3 + i, 4 + i, 3 + i, Black);
            box(p, 11 - i, 3 + i, 12 - i, 3 + i, Black);
        }
        break;
    case ListJimeijo:
        frame(p, 0, 1, 15, 14, DarkBlue, White);
        box(p, 1, 2, 14, 3, Blue); // title bar
        hline(p, 2, 13, 6, Black);
        for (int y = 6; y <= 12; y += 2)
            hline(p, 2, 13, y, Grey);
        box(p, 2, 5, 13, 5, Silver); // column heads
        for (int x : {2, 6, 10, 13})
            vline(p, x, 5, 12, Grey);
        break;
    case Color:
        pencil(p, Red);
        break;
    case BColor:
        pencil(p, Blue);
        break;
    case Bold:
        box(p, 3, 2, 5, 13, Black);     // stem
        box(p, 3, 2, 10, 3, Black);     // top
        box(p, 10, 3, 11, 6, Black);    // upper bowl
        box(p, 3, 7, 10, 8, Black);     // middle
        box(p, 11, 8, 12, 12, Black);   // lower bowl
        box(p, 3, 12, 11, 13, Black);   // bottom
        box(p, 9, 4, 10, 6, Black);
        box(p, 10, 9, 11, 12, Black);
        break;
    case Italic:
        hline(p, 6, 12, 2, Black);
        hline(p, 3, 9, 13, Black);
        for (int y = 3; y <= 12; ++y) {
            const int x = 9 - (y - 3) * 3 / 9;
            box(p, x - 1, y, x, y, Black);
        }
        break;
    case Left: {
        const int spans[6][2] = {{1, 14}, {1, 9}, {1, 14}, {1, 9}, {1, 14}, {1, 9}};
        textLines(p, spans, Black);
        break;
    }
    case Center: {
        const int spans[6][2] = {{1, 14}, {4, 11}, {1, 14}, {4, 11}, {1, 14}, {4, 11}};
        textLines(p, spans, Black);
        break;
    }
    case Right: {
        const int spans[6][2] = {{1, 14}, {6, 14}, {1, 14}, {6, 14}, {1, 14}, {6, 14}};
        textLines(p, spans, Black);
        break;
    }
    case KeyLabel: {
        // A key cap lit from the top left, with its shadow, over the word.
        frame(p, 2, 0, 13, 8, Black, Silver);
        hline(p, 3, 11, 1, White);
        vline(p, 3, 1, 6, White);
        hline(p, 4, 12, 7, Grey);
        vline(p, 12, 2, 7, Grey);
        // ﾗ
        hline(p, 0, 3, 10, Black);
        hline(p, 0, 3, 12, Black);
        dots(p, {QPoint(3, 13), QPoint(2, 14), QPoint(1, 15), QPoint(0, 15)}, Black);
        // ﾍ and its voicing marks
        dots(p, {QPoint(4, 13), QPoint(5, 12), QPoint(6, 13), QPoint(7, 14), QPoint(8, 15)}, Black);
        dots(p, {QPoint(8, 10), QPoint(8, 11), QPoint(10, 10), QPoint(10, 11)}, Black);
        // ﾙ
        vline(p, 12, 11, 14, Black);
        dots(p, {QPoint(11, 15)}, Black);
        vline(p, 14, 10, 15, Black);
        dots(p, {QPoint(15, 14)}, Black);
        break;
    }
    case ShowAll:
        frame(p, 1, 1, 14, 14, Black, White);
        box(p, 2, 2, 13, 3, DarkBlue);
        break;
    case ShowDetail:
        frame(p, 1, 1, 14, 7, Black, White);
        box(p, 2, 2, 13, 3, DarkBlue);
        frame(p, 1, 8, 14, 14, Black, White);
        box(p, 2, 9, 13, 10, DarkBlue);
        break;
    case Undo:
        turnArrow(p, false);
        break;
    case Redo:
        turnArrow(p, true);
        break;
    default:
        break;
    }
}

} // namespace

QImage picture(int index)
{
    if (index < 0 || index >= Count)
        return QImage();
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::CompositionMode_Source); // transparent fills clear
    drawPicture(p, index);
    return img;
}

} // namespace toolbarpictures
