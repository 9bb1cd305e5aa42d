// Find over a large register with no occurrence: the dialog's step from
// entry 1, cell 0 to the last cell, the whole-register find of tavrel-cli,
// and, as the reference in the same run, iconv of the same file.
//
//     bench_search [ENTRIES CELLS [TEXT]]     (default 2000 x 100)

#include "benchsupport.h"
#include "register/registerdocument.h"
#include "register/registersearch.h"
#include "registergenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

using bench::ms;

template <typename F>
double best(int runs, F f)
{
    double b = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        b = std::min(b, ms(t));
    }
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto [entries, cells] = bench::sizeFromArguments(app.arguments());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("search.TAV"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(generateRegisterBytes(entries, cells)) < 0)
            return 1;
    }
    RegisterDocument doc;
    const int rows = int(doc.load(path).size());
    std::printf("register: %d entries x %d cells, %.1f MB, %d lines\n", rows, cells,
                double(QFile(path).size()) / 1e6, doc.lineCount());

    const double iconvMs = best(3, [&] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP932"), QStringLiteral("-t"),
                                          QStringLiteral("UTF-8"), path});
        p.waitForFinished(-1);
    });

    // A text that is in no cell (the last character of every cell's text
    // lines is compared), or one given as the third argument.
    const QString text = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("該当なし");
    int found = 0;
    const double stepMs = best(3, [&] {
        regsearch::State state;
        regsearch::StepRequest req;
        req.text = text;
        req.startEntry = 1;
        req.startCell = 0;
        req.entryCount = rows;
        found += regsearch::step(doc, state, req).found;
    });
    int all = 0;
    const double findAllMs = best(3, [&] { all += int(regsearch::findAll(doc, text, false).size()); });

    std::printf("iconv -f CP932 -t UTF-8 (process): %8.1f ms\n", iconvMs);
    std::printf("find step, entry 1 to the end:     %8.1f ms  (%.2f x iconv; occurrences %d)\n", stepMs,
                stepMs / iconvMs, found);
    std::printf("find every occurrence:             %8.1f ms  (%.2f x iconv; occurrences %d)\n", findAllMs,
                findAllMs / iconvMs, all);
    return 0;
}
