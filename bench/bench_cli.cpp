// tavrel-cli benchmark: whole processes with their peak memory on a
// register of ENTRIES × CELLS, beside iconv of the same file and, when
// given, the tavrel-cli of a previous build, in the same run (best of 3):
// list, check, a one-cell text and format, convert (open and save), and an
// import of ROWS CSV rows into a new register.
//
//   bench_cli [ENTRIES CELLS] [--previous PATH/TO/tavrel-cli] [--rows N]

#include "benchsupport.h"
#include "platform/textfile.h"
#include "register/csvfile.h"
#include "register/series.h"
#include "register/templates.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

using bench::ProcessRun;
using bench::runProcess;

// ROWS telephones over every shipped strip type, with Japanese texts.
QByteArray csvRows(int rows, const QString &templatesDir)
{
    QList<std::pair<int, QString>> kinds;
    for (int s = 0; s < series::Count; ++s)
        for (const QString &t : templates::listTemplates(templatesDir, series::caption(s)))
            kinds.append({s, t});
    QList<QStringList> records{{"内線番号", "部署", "使用者名", "主装置のシリーズ", "示名条のタイプ"}};
    for (int i = 0; i < rows && !kinds.isEmpty(); ++i) {
        const auto &[s, type] = kinds.at(i % kinds.size());
        records.append({QString::number(10000 + i), QStringLiteral("営業部第%1課").arg(i % 9 + 1),
                        QStringLiteral("使用者%1").arg(i), QString::number(s), type});
    }
    return csv::write(records, csv::Encoding::Cp932);
}

void row(const char *work, const ProcessRun &iconv, const ProcessRun *previous, const ProcessRun &now, double fileMb)
{
    std::printf("%-30s %7.1f ms %6.1f MB", work, now.ms, now.peakMb());
    std::printf("  %5.2f x iconv  %5.2f x file", now.ms / iconv.ms, now.peakMb() / fileMb);
    if (previous)
        std::printf("  | previous %7.1f ms %6.1f MB (%5.2f x iconv)", previous->ms, previous->peakMb(),
                    previous->ms / iconv.ms);
    std::printf("%s\n", now.exitCode() == 0 ? "" : "  (failed)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QString previousCli;
    int rows = 5000;
    for (qsizetype i = 1; i + 1 < args.size();) {
        if (args.at(i) == QLatin1String("--previous")) {
            previousCli = args.at(i + 1);
            args.remove(i, 2);
        } else if (args.at(i) == QLatin1String("--rows")) {
            rows = args.at(i + 1).toInt();
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    const auto [entries, cells] = bench::sizeFromArguments(args);
    const QString binary = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(".."));
    const QString cli = binary + QStringLiteral("/tavrel-cli");

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.TAV"));
    const QString work = dir.filePath(QStringLiteral("work.TAV"));
    // Made by a child process: a child's peak memory counts its parent's
    // size when it starts, so this process stays small.
    const ProcessRun made = runProcess({QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("genregister")),
                                        source, QString::number(entries), QString::number(cells)}, 1);
    if (made.exitCode() != 0) {
        std::fprintf(stderr, "genregister failed\n");
        return 1;
    }
    const double fileMb = double(QFileInfo(source).size()) / 1e6;
    std::printf("register: %d entries x %d cells, %.1f MB%s\n", entries, cells, fileMb,
                previousCli.isEmpty() ? "" : qPrintable(QStringLiteral("; previous build: ") + previousCli));

    const ProcessRun iconv = runProcess({QStringLiteral("iconv"), QStringLiteral("-f"), QStringLiteral("CP932"),
                                         QStringLiteral("-t"), QStringLiteral("UTF-8"), source});
    std::printf("%-30s %7.1f ms %6.1f MB\n", "iconv -f CP932 -t UTF-8", iconv.ms, iconv.peakMb());

    const auto fresh = [&] {
        QFile::remove(work);
        QFile::copy(source, work);
    };
    struct Work
    {
        const char *name;
        QStringList args;
        bool writes;
    };
    const QString out = dir.filePath(QStringLiteral("out.TAV"));
    const QList<Work> works{
        {"list", {QStringLiteral("list"), source}, false},
        {"check", {QStringLiteral("check"), source}, false},
        {"text (one cell)", {QStringLiteral("text"), work, QStringLiteral("--entry"), QStringLiteral("5"),
                             QStringLiteral("--cell"), QStringLiteral("3"), QStringLiteral("内線")}, true},
        {"format (one cell)", {QStringLiteral("format"), work, QStringLiteral("--entry"), QStringLiteral("5"),
                               QStringLiteral("--cell"), QStringLiteral("3"), QStringLiteral("--bold"),
                               QStringLiteral("1")}, true},
        {"convert (open and save)", {QStringLiteral("convert"), source, out}, false},
    };
    for (const Work &w : works) {
        const auto prepare = [&] {
            QFile::remove(out);
            if (w.writes)
                fresh();
        };
        ProcessRun previous;
        if (!previousCli.isEmpty())
            previous = runProcess(QStringList{previousCli} + w.args, 3, prepare);
        const ProcessRun now = runProcess(QStringList{cli} + w.args, 3, prepare);
        row(w.name, iconv, previousCli.isEmpty() ? nullptr : &previous, now, fileMb);
    }

    // Import into a new register; its size is the yardstick of the memory.
    if (rows > 0) {
        const QString csvPath = dir.filePath(QStringLiteral("rows.csv"));
        textfile::writeBytes(csvPath, csvRows(rows, binary + u'/'));
        const QString made = dir.filePath(QStringLiteral("imported.TAV"));
        const QStringList importArgs{QStringLiteral("import"), made, csvPath};
        const auto clean = [&] { QFile::remove(made); };
        ProcessRun previous;
        if (!previousCli.isEmpty())
            previous = runProcess(QStringList{previousCli} + importArgs, 3, clean);
        const ProcessRun now = runProcess(QStringList{cli} + importArgs, 3, clean);
        const double madeMb = double(QFileInfo(made).size()) / 1e6;
        const ProcessRun madeIconv = runProcess({QStringLiteral("iconv"), QStringLiteral("-f"), QStringLiteral("CP932"),
                                                 QStringLiteral("-t"), QStringLiteral("UTF-8"), made});
        std::printf("import %d rows -> %.1f MB register (iconv of it %.1f ms):\n", rows, madeMb, madeIconv.ms);
        row("import (new register)", madeIconv, previousCli.isEmpty() ? nullptr : &previous, now, madeMb);
    }
    return 0;
}
