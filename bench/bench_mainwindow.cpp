// Main window benchmark: open a register of ENTRIES × CELLS through File ▸
// Open (list filled, entry 1 shown) and select other entries in the list.

#include "app/application.h"
#include "app/tfmain.h"
#include "app/windows.h"
#include "platform/textfile.h"
#include "registergenerator.h"
#include "uitestsupport.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTreeView>
#include <cstdio>

namespace {
double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }
} // namespace

int main(int argc, char **argv)
{
    // Without a display the window is measured on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TavrelApplication app(argc, argv);
    const QStringList a = app.arguments();
    const int entries = a.size() > 1 ? a.at(1).toInt() : 2000;
    const int cells = a.size() > 2 ? a.at(2).toInt() : 100;
    uitest::Environment env;
    const QString path = env.dataFolder() + QStringLiteral("bench.TAV");
    textfile::writeBytes(path, generateRegisterBytes(entries, cells));
    env.createWindows();
    FMain->show();
    QCoreApplication::processEvents();

    env.dialogs.fileNames << path;
    QElapsedTimer t;
    t.start();
    FMain->ActionFileOpen->trigger();
    QCoreApplication::processEvents();
    std::printf("open %d entries x %d cells, list filled: %8.1f ms (%d rows)\n", entries, cells, ms(t),
                FMain->rowCount());

    const int selections = 20;
    double total = 0, worst = 0;
    for (int i = 1; i <= selections; ++i) {
        const int row = (i * 97) % FMain->rowCount();
        t.restart();
        FMain->ListView1->setCurrentIndex(FMain->ListView1->model()->index(row, 0));
        QCoreApplication::processEvents();
        const double e = ms(t);
        total += e;
        worst = std::max(worst, e);
    }
    std::printf("select another entry: %8.1f ms average, %8.1f ms worst (%d cells shown)\n", total / selections,
                worst, FMain->display().cellCount());
    env.dialogs.answers << UserDialogs::Answer::No;
    env.destroyWindows();
    return 0;
}
