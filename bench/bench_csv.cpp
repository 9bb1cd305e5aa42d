// CSV benchmark: ROWS telephones (default 5,000) imported into a new
// register, in the process (check, import, save) and as a whole tavrel-cli
// import, beside the reference of the same entries created one by one from
// their templates and saved, and iconv of the register that results; then
// the export of that register.
//
//   bench_csv [ROWS]

#include "benchsupport.h"
#include "platform/textfile.h"
#include "register/csvimport.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

using bench::ms;

// Processor time (user and system) of this process, or of its waited-for
// children, in ms: on a shared machine the wall time also counts the time
// spent waiting for a processor.
double cpuMs(int who = RUSAGE_SELF)
{
    rusage ru{};
    getrusage(who, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

// Best wall time of `runs` runs of a program, its output discarded.
double runProcess(const QString &program, const QStringList &args, int runs = 3, int *exitCode = nullptr)
{
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        p.waitForFinished(-1);
        best = std::min(best, ms(t));
        if (exitCode)
            *exitCode = p.exitCode();
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = app.arguments().size() > 1 ? app.arguments().at(1).toInt() : 5000;
    const QString binary = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(".."));
    const QString templatesDir = binary + u'/';
    const QString cli = binary + QStringLiteral("/tavrel-cli");
    QTemporaryDir dir;

    // Every shipped strip type of every series in turn.
    QList<std::pair<int, QString>> kinds;
    for (int s = 0; s < series::Count; ++s)
        for (const QString &t : templates::listTemplates(templatesDir, series::caption(s)))
            kinds.append({s, t});
    if (kinds.isEmpty()) {
        std::fprintf(stderr, "no templates in %s\n", qPrintable(templatesDir));
        return 1;
    }
    QList<QStringList> records{{"内線番号", "部署", "使用者名", "主装置のシリーズ", "示名条のタイプ"}};
    QList<EntryHeader> headers;
    for (int i = 0; i < rows; ++i) {
        const auto &[s, type] = kinds.at(i % kinds.size());
        const QString ext = QString::number(10000 + i);
        const QString dept = QStringLiteral("営業部第%1課").arg(i % 9 + 1);
        const QString user = QStringLiteral("使用者%1").arg(i);
        records.append({ext, dept, user, QString::number(s), type});
        headers.append({ext, dept, user, QStringLiteral("2025/01/01 09:00"), series::caption(s), type});
    }
    const QString csvPath = dir.filePath(QStringLiteral("rows.csv"));
    textfile::writeBytes(csvPath, csv::write(records, csv::Encoding::Cp932));
    std::printf("CSV: %d rows, %.2f MB, %lld strip types\n", rows, QFileInfo(csvPath).size() / 1e6,
                qlonglong(kinds.size()));

    // Reference: the same entries created one by one, as the entry command does.
    QElapsedTimer t;
    t.start();
    double cpu = cpuMs();
    {
        RegisterDocument doc;
        for (const EntryHeader &h : headers)
            templates::appendEntryFromTemplate(doc, templatesDir, h);
        doc.save(dir.filePath(QStringLiteral("reference.TAV")));
    }
    const double reference = ms(t);
    const double referenceCpu = cpuMs() - cpu;
    const QString reg = dir.filePath(QStringLiteral("imported.TAV"));
    t.restart();
    cpu = cpuMs();
    double analyseMs = 0, importMs = 0;
    {
        RegisterDocument doc;
        const csvimport::Analysis a =
            csvimport::analyse(textfile::readBytes(csvPath), doc, templatesDir, QDateTime::currentDateTime());
        analyseMs = ms(t);
        csvimport::importCsvRows(doc, a, templatesDir);
        importMs = ms(t) - analyseMs;
        doc.save(reg);
        if (a.refusedCount() != 0)
            std::printf("refused rows: %d\n", a.refusedCount());
    }
    const double total = ms(t);
    const double totalCpu = cpuMs() - cpu;
    const double fileMb = QFileInfo(reg).size() / 1e6;
    std::printf("register made: %.1f MB\n", fileMb);
    std::printf("in process  reference (create one by one, save): %8.1f ms  processor %8.1f ms\n", reference,
                referenceCpu);
    std::printf("in process  CSV import (check %.1f + import %.1f + save): %8.1f ms  processor %8.1f ms  (%.2f x reference)\n",
                analyseMs, importMs, total, totalCpu, totalCpu / referenceCpu);

    const double iconv = runProcess(QStringLiteral("iconv"), {"-f", "CP932", "-t", "UTF-8", reg});
    int code = -1;
    double cliImport = 1e18, cliCpu = 1e18;
    for (int i = 0; i < 3; ++i) {
        QFile::remove(dir.filePath(QStringLiteral("cli.TAV")));
        const double before = cpuMs(RUSAGE_CHILDREN);
        cliImport = std::min(cliImport, runProcess(cli, {"import", dir.filePath(QStringLiteral("cli.TAV")), csvPath}, 1, &code));
        cliCpu = std::min(cliCpu, cpuMs(RUSAGE_CHILDREN) - before);
    }
    std::printf("process     iconv -f CP932 of the register made:   %8.1f ms\n", iconv);
    std::printf("process     tavrel-cli import (new register):       %8.1f ms  processor %8.1f ms  exit %d  (budget 5000 ms)\n",
                cliImport, cliCpu, code);
    const double cliExport = runProcess(cli, {"export", reg, "-o", dir.filePath(QStringLiteral("out.csv")), "--force"});
    std::printf("process     tavrel-cli export:                      %8.1f ms\n", cliExport);
    return 0;
}
