#include "print/listpage.h"

#include "platform/characters.h"
#include "platform/fonts.h"
#include "register/registerdocument.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace print {

const int ListColumnChars[ListColumns] = {25, 51, 14, 32, 20, 16};
const int ListColumnStart[ListColumns] = {0, 25, 76, 90, 122, 142};
const QString ListTitle = QStringLiteral("示名条一覧");
const QStringList ListHeadings{QStringLiteral("主装置のシリーズ"), QStringLiteral("示名条のタイプ"),
                               QStringLiteral("内線番号"),         QStringLiteral("部署"),
                               QStringLiteral("使用者名"),         QStringLiteral("登録日時")};

namespace {

const QString Gothic = QStringLiteral("ＭＳ ゴシック");
const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");

QFont listFont(const QString &face, int points, bool bold = false, bool italic = false)
{
    QFont f = fontOfFace(face);
    f.setPointSize(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// Each character at its own top-left corner; b further after a character of
// code 255 or below, 2b after any other.
void writeInCells(QPainter &p, const QString &text, int x, int y, int b)
{
    const int ascent = QFontMetrics(p.font(), p.device()).ascent();
    for (qsizetype i = 0; i < text.size();) {
        const QString ch = characters::at(text, i);
        const char32_t code = characters::codeAt(text, i);
        p.drawText(QPoint(x, y + ascent), ch);
        x += code <= 255 ? b : 2 * b;
        i += ch.size();
    }
}

} // namespace

QList<ListRow> listRowTable(const QList<EntryHeader> &rows)
{
    QList<ListRow> table;
    table.reserve(rows.size());
    for (const EntryHeader &h : rows) {
        const QString texts[ListColumns] = {h.seriesCaption, h.stripType, h.extension,
                                            h.department,    h.userName,  h.date};
        ListRow r;
        for (int c = 0; c < ListColumns; ++c)
            r.append(characters::left(texts[c], ListColumnChars[c])); // a pair is never cut in half
        table.append(r);
    }
    return table;
}

int listPageCount(int rowCount)
{
    return rowCount <= 0 ? 0 : (rowCount + ListRowsPerPage - 1) / ListRowsPerPage;
}

ListMetrics listMetrics(QPainter &painter)
{
    const QFontMetrics fm(listFont(PGothic, 9), painter.device());
    ListMetrics m;
    m.w = fm.horizontalAdvance(QStringLiteral("A"));
    m.h = fm.height(); // the text height of "DUMMY": the font's full height
    m.b = m.w * 107 / 120;
    m.p = m.h * 150 / 100;
    m.x0 = 6 * m.b;
    m.t = 3 * m.p;
    return m;
}

QString listFooterText(const QDateTime &at)
{
    return QStringLiteral("%1年%2月%3日 %4")
        .arg(at.date().year(), 4, 10, QLatin1Char('0'))
        .arg(at.date().month())
        .arg(at.date().day())
        .arg(at.time().toString(QStringLiteral("hh:mm")));
}

// The factor (at most 1) by which the page is drawn so that the table fits
// the room on the surface's paper.
static qreal listPageScale(QPainter &p, const ListMetrics &m, const ListPlacement &placement)
{
    const QPaintDevice *dev = p.device();
    const QSize paper = placement.paper.isEmpty() ? QSize(dev->width(), dev->height()) : placement.paper;
    const int right = std::min(paper.width() - qRound(ListEdgeMarginMm * dev->logicalDpiX() / 25.4),
                               placement.ox + dev->width());
    const int bottom = std::min(paper.height() - qRound(ListEdgeMarginMm * dev->logicalDpiY() / 25.4),
                                placement.oy + dev->height());
    // The rules end at cell 163; the footer's row is the lowest.
    const int needRight = m.x0 + 163 * m.b;
    const int needBottom = m.t + 36 * m.p;
    qreal f = 1;
    if (needRight > right && right > 0)
        f = std::min(f, qreal(right) / needRight);
    if (needBottom > bottom && bottom > 0)
        f = std::min(f, qreal(bottom) / needBottom);
    return f;
}

void drawListPage(QPainter &p, const QList<ListRow> &table, int page, const QDateTime &drawnAt,
                  const ListPlacement &placement)
{
    p.save();
    p.setBrush(Qt::white);
    p.setPen(Qt::black);
    const ListMetrics m = listMetrics(p);
    // Positions below are on the paper, in the surface's device pixels.
    p.translate(-placement.ox, -placement.oy);
    if (const qreal f = listPageScale(p, m, placement); f < 1)
        p.scale(f, f);
    const int pages = listPageCount(int(table.size()));

    p.setFont(listFont(Gothic, 18, true, true));
    p.drawText(QPoint(m.x0, m.t + QFontMetrics(p.font(), p.device()).ascent()), ListTitle);

    p.setFont(listFont(Gothic, 10));
    writeInCells(p, QStringLiteral("%1 / %2 ページ").arg(page).arg(pages), m.x0 + 142 * m.b, m.t, m.b);

    p.setFont(listFont(Gothic, 10, true));
    for (int c = 0; c < ListColumns; ++c)
        writeInCells(p, ListHeadings.at(c), m.x0 + m.b * ListColumnStart[c], m.t + 3 * m.p, m.b);

    for (int i = 0; i <= ListRowsPerPage; ++i) {
        QPen pen(Qt::black);
        pen.setWidth(i == 0 || i == ListRowsPerPage ? 4 : i % 10 == 0 ? 2 : 1);
        p.setPen(pen);
        const int y = m.ruleY(i);
        p.drawLine(m.x0, y, m.x0 + 163 * m.b, y);
    }
    p.setPen(Qt::black);

    p.setFont(listFont(Gothic, 10));
    const int first = (page - 1) * ListRowsPerPage;
    const int last = qMin(page * ListRowsPerPage, int(table.size())) - 1;
    for (int r = qMax(first, 0), k = 0; r <= last; ++r, ++k) {
        const int y = m.t + 4 * m.p + k * m.p;
        const ListRow &row = table.at(r);
        for (int c = 0; c < ListColumns && c < row.size(); ++c)
            writeInCells(p, row.at(c), m.x0 + m.b * ListColumnStart[c], y, m.b);
    }

    writeInCells(p, listFooterText(drawnAt), m.x0, m.t + 35 * m.p, m.b);
    p.restore();
}

} // namespace print
