// Draws a strip of 100 cells in both views, as selecting an entry does, and
// reports the time per strip. Budget: 50 ms on a 2-core machine.

#include "stripfixture.h"

#include "platform/fonts.h"
#include "strip/stripimage.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontSubstitutions();

    // Four sections of 25 cells, two text lines each, mixed faces and sizes.
    TestEntry e = entryWithCells({25, 25, 25, 25});
    for (int s = 0; s < 4; ++s) {
        e.sections[s].rect = QStringList{QString::number(2 + s * 36), "5", "34", "190"};
        for (int i = 0; i < 25; ++i) {
            TestCell &c = e.sections[s].cells[i];
            c.keyBox = QStringList{"1", QString::number(1 + i * 7.4, 'f', 1), "32", "6.8"};
            c.keyNumberBox = QStringList{"1.5", QString::number(1.5 + i * 7.4, 'f', 1), "5", "3"};
            c.textArea = QStringList{"7", QString::number(1.4 + i * 7.4, 'f', 1), "25.5", "6"};
            c.face = i % 2 ? QStringLiteral("ＭＳ 明朝") : QStringLiteral("ＭＳ Ｐゴシック");
            c.size = QString::number(7 + i % 4);
            c.text = QStringList{QStringLiteral("内線%1").arg(200 + s * 25 + i), QStringLiteral("営業部")};
        }
    }
    const QStringList lines = registerLines({e});

    const int runs = 30;
    std::vector<double> ms;
    for (int r = 0; r < runs + 1; ++r) {
        QElapsedTimer t;
        t.start();
        const QImage d = strip::renderStrip(lines, FirstHeader, strip::View::Detail);
        const QImage o = strip::renderStrip(lines, FirstHeader, strip::View::Overview);
        const double elapsed = t.nsecsElapsed() / 1e6;
        if (d.isNull() || o.isNull())
            return 1;
        if (r > 0) // the first run loads the fonts
            ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("strip of 100 cells, both views: median %.1f ms, worst %.1f ms over %d runs (budget 50 ms)\n",
                ms[ms.size() / 2], ms.back(), runs);
    return 0;
}
