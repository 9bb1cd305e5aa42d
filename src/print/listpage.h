#pragma once
// The register list page: the register as a table, 30 rows to a page, written
// character by character in character cells whose size comes from the
// surface's own font measurements, so that the preview image and the
// printer page have the same layout in their own units.
//
// The page is laid out on the paper, not on the printable area: a printer's
// printable-area offset is subtracted, as for strip pages. When the measured
// fonts make the table wider (or longer) than the room on the page, the
// whole page is scaled down to fit: the table stays within the printable
// area and ends at least ListEdgeMarginMm before the paper's right and
// bottom edges.

#include <QDateTime>
#include <QList>
#include <QSize>
#include <QStringList>

class QPainter;
struct EntryHeader;

namespace print {

constexpr int ListRowsPerPage = 30;
constexpr int ListColumns = 6;
// Largest number of characters of each column, and where each starts, in
// character cells from the table's left edge.
extern const int ListColumnChars[ListColumns];   // 25, 51, 14, 32, 20, 16
extern const int ListColumnStart[ListColumns];   // 0, 25, 76, 90, 122, 142
extern const QString ListTitle;                  // "示名条一覧"
extern const QStringList ListHeadings;

using ListRow = QStringList; // six texts, each cut to its column's largest number of characters

// One row per header, in order: series, strip type, extension, department,
// user name, date.
QList<ListRow> listRowTable(const QList<EntryHeader> &rows);
// Rows / 30 rounded up (0 for no rows).
int listPageCount(int rowCount);

// The measurements of a page on a surface.
struct ListMetrics
{
    int w = 0, h = 0; // width of "A", height of "DUMMY" in ＭＳ Ｐゴシック 9 pt
    int b = 0;        // character cell: w * 107 / 120
    int p = 0;        // row height: h * 150 / 100
    int x0 = 0;       // left edge: 6 b
    int t = 0;        // top margin: 3 p
    // y of rule i (0..30): T + 4p + i p - p / 10, truncated toward zero.
    int ruleY(int i) const { return (10 * (t + 4 * p + i * p) - p) / 10; }
};
ListMetrics listMetrics(QPainter &painter);

// Room kept free along the paper's right and bottom edges, where printers
// cannot print.
constexpr int ListEdgeMarginMm = 5;

// Where the surface lies on the paper, in device pixels: the printable
// area's offset and the paper's size. An empty paper size: the surface is
// the whole paper (the preview image, a PDF page).
struct ListPlacement
{
    int ox = 0, oy = 0;
    QSize paper;
};

// Draws page `page` (1-based) of the table; `drawnAt` is the time the footer
// shows (the moment of drawing).
void drawListPage(QPainter &painter, const QList<ListRow> &table, int page, const QDateTime &drawnAt,
                  const ListPlacement &placement = {});

// The footer's form: 2024年3月5日 09:07.
QString listFooterText(const QDateTime &drawnAt);

} // namespace print
