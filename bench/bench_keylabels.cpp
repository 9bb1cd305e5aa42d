// Key label benchmark: a key label applied to all 100 cells of the shown
// entry of a large register (record lines rewritten, text lines replaced,
// cells redrawn), measured beside showing that entry again in the same run.

#include "benchsupport.h"
#include "keylabel/applykeylabel.h"
#include "platform/textfile.h"
#include "registergenerator.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"

#include <QElapsedTimer>
#include <cstdio>

using bench::ms;

int main(int argc, char **argv)
{
    bench::preferOffscreen();
    TavrelApplication app(argc, argv);
    const auto [entries, cells] = bench::sizeFromArguments(app.arguments());
    uitest::Environment env;
    const QString path = env.dataFolder() + QStringLiteral("bench.TAV");
    textfile::write(path, generateRegister(entries, cells));
    env.writeSettings({"[Checked]", "DispLayout=0"});
    env.createWindows();
    FMain->show();
    QCoreApplication::processEvents();
    env.dialogs.fileNames << path;
    FMain->findChild<QAction *>(QStringLiteral("ActionFileOpen"))->trigger();
    QCoreApplication::processEvents();

    RegisterDocument &doc = FMain->document();
    StripDisplay &d = FMain->display();
    const int shown = d.cellCount();
    QList<int> all;
    for (int i = 0; i < shown; ++i)
        all.append(i);
    const int rounds = 10;
    double show = 0, apply = 0, applyDraw = 0;
    QElapsedTimer t;
    for (int r = 0; r < rounds; ++r) {
        // A one-line and a two-line label in turn, so the record lengths change.
        const keylabel::KeyLabel label{QStringLiteral("ＭＳ 明朝"), 7, 0, 16777215,
                                       r % 2 ? QStringList{QStringLiteral("業務コード"), QStringLiteral("指定発信")}
                                             : QStringList{QStringLiteral("転送")}};
        t.start();
        d.showEntry();
        QCoreApplication::processEvents();
        show += ms(t);
        t.restart();
        keylabel::applyKeyLabel(doc, d.shownHeaderLine(), all, label);
        apply += ms(t);
        t.restart();
        keylabel::applyKeyLabel(doc, d.shownHeaderLine(), all, label); // same length now
        for (int i : all) {
            d.reloadEditor(i);
            d.renderCell(i);
        }
        QCoreApplication::processEvents();
        applyDraw += ms(t);
    }
    std::printf("register %d entries x %d cells, entry 1 shown with %d cells\n", entries, cells, shown);
    std::printf("show the entry again (reference):                     %8.1f ms\n", show / rounds);
    std::printf("apply a key label of another length to %3d cells:     %8.1f ms\n", shown, apply / rounds);
    std::printf("apply one of the same length and redraw %3d cells:   %8.1f ms\n", shown, applyDraw / rounds);
    env.dialogs.answers << UserDialogs::Answer::No;
    env.destroyWindows();
    return 0;
}
