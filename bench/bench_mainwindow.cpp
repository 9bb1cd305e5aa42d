// Main window benchmark: open a register of ENTRIES × CELLS through File ▸
// Open (list filled, entry 1 shown) and select other entries in the list.

#include "benchsupport.h"
#include "platform/textfile.h"
#include "registergenerator.h"
#include "strip/cellformat.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/strip/stripdisplay.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QToolButton>
#include <QTreeView>
#include <cstdio>

using bench::ms;

int main(int argc, char **argv)
{
    bench::preferOffscreen();
    TavrelApplication app(argc, argv);
    const auto [entries, cells] = bench::sizeFromArguments(app.arguments());
    uitest::Environment env;
    const QString path = env.dataFolder() + QStringLiteral("bench.TAV");
    textfile::writeBytes(path, generateRegisterBytes(entries, cells));
    env.createWindows();
    FMain->show();
    QCoreApplication::processEvents();

    env.dialogs.fileNames << path;
    QElapsedTimer t;
    t.start();
    FMain->findChild<QAction *>(QStringLiteral("ActionFileOpen"))->trigger();
    QCoreApplication::processEvents();
    std::printf("open %d entries x %d cells, list filled: %8.1f ms (%d rows)\n", entries, cells, ms(t),
                FMain->rowCount());

    const int selections = 20;
    double total = 0, worst = 0;
    for (int i = 1; i <= selections; ++i) {
        const int row = (i * 97) % FMain->rowCount();
        t.restart();
        FMain->findChild<QTreeView *>(QStringLiteral("registerList"))->setCurrentIndex(FMain->findChild<QTreeView *>(QStringLiteral("registerList"))->model()->index(row, 0));
        QCoreApplication::processEvents();
        const double e = ms(t);
        total += e;
        worst = std::max(worst, e);
    }
    std::printf("select another entry: %8.1f ms average, %8.1f ms worst (%d cells shown)\n", total / selections,
                worst, FMain->display().cellCount());

    // One format command (bold, from the toolbar button) over every cell of
    // the shown strip, all selected; the reference is the same change of the
    // register alone, without restyling and redrawing the cells.
    FMain->findChild<QAction *>(QStringLiteral("ActionShowDetail"))->trigger();
    QCoreApplication::processEvents();
    FMain->findChild<QAction *>(QStringLiteral("ActionEditAllSel"))->trigger();
    QCoreApplication::processEvents();
    const int selected = FMain->display().selectedCount();
    const int commands = 20;
    total = 0;
    worst = 0;
    for (int i = 0; i < commands; ++i) {
        t.restart();
        FMain->findChild<QToolButton *>(QStringLiteral("ToolButtonBold"))->click();
        QCoreApplication::processEvents();
        const double e = ms(t);
        total += e;
        worst = std::max(worst, e);
    }
    double core = 0;
    RegisterDocument &doc = FMain->document();
    const QList<int> cellsToFormat = FMain->display().selectedCells();
    for (int i = 0; i < commands; ++i) {
        strip::FormatChange change;
        change.italic = i % 2 == 0;
        t.restart();
        strip::applyFormat(doc, FMain->display().shownHeaderLine(), cellsToFormat, change);
        core += ms(t);
    }
    std::printf("format command on %d selected cells: %8.1f ms average, %8.1f ms worst"
                " (register change alone: %6.2f ms)\n",
                selected, total / commands, worst, core / commands);
    env.dialogs.answers << UserDialogs::Answer::No;
    env.destroyWindows();
    return 0;
}
