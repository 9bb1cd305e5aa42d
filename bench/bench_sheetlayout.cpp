// Lays out the strips of 10,000 entries on A4 sheets (mixed sizes, marks,
// captions, turning allowed, a start on the fifth place) and reports the
// time per layout. Budget: 50 ms on a 2-core machine.

#include "print/sheetlayout.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    const int entries = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    // Six strip types of the sizes sites print most, in a mixed order.
    const print::BlockSize types[] = {{Fixed4::fromRaw(915000), Fixed4::fromInt(78)},
                                      {Fixed4::fromInt(68), Fixed4::fromRaw(964000)},
                                      {Fixed4::fromRaw(975000), Fixed4::fromRaw(1285000)},
                                      {Fixed4::fromInt(72), Fixed4::fromRaw(1726000)},
                                      {Fixed4::fromRaw(1635000), Fixed4::fromRaw(1158000)},
                                      {Fixed4::fromInt(128), Fixed4::fromInt(222)}};
    QList<print::BlockSize> blocks;
    for (int i = 0; i < entries; ++i)
        blocks.append(types[(i * 7 + i / 13) % 6]);
    print::SheetSettings settings;
    settings.captions = true;
    settings.rotate = true;
    settings.start = 1;

    const int runs = 30;
    std::vector<double> ms;
    int sheets = 0;
    for (int r = 0; r < runs + 1; ++r) {
        QElapsedTimer t;
        t.start();
        const print::SheetLayout l = print::layoutSheets(blocks, settings);
        const double elapsed = t.nsecsElapsed() / 1e6;
        sheets = l.sheetCount;
        if (r > 0) // the first run warms the caches
            ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("sheet layout of %d entries: %d sheets, median %.2f ms, worst %.2f ms (budget 50 ms)\n", entries,
                sheets, ms[ms.size() / 2], ms.back());
    return 0;
}
