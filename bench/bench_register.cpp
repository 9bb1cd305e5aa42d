// Register benchmark: open (load and list), find entry, create, delete and
// save on a register of ENTRIES × CELLS, against iconv of the same file, in
// the process and as whole processes (tavrel-cli list against iconv), with
// peak memory.
//
//   bench_register [ENTRIES CELLS]      default 2000 100
//   bench_register --empty-lines N      a file of N empty lines ended by CR

#include "benchsupport.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "registergenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::ms;

using bench::ProcessRun;
using bench::runProcess;

long selfMaxRssKb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

QString cliPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../tavrel-cli"));
}

void compareProcesses(const QString &path, double fileMb)
{
    const ProcessRun iconv = runProcess({QStringLiteral("iconv"), QStringLiteral("-f"), QStringLiteral("CP932"),
                                         QStringLiteral("-t"), QStringLiteral("UTF-8"), path});
    const ProcessRun list = runProcess({cliPath(), QStringLiteral("list"), path});
    std::printf("process  iconv -f CP932 -t UTF-8: %8.1f ms  peak %6.1f MB\n", iconv.ms, iconv.maxRssKb / 1024.0);
    std::printf("process  tavrel-cli list:         %8.1f ms  peak %6.1f MB  (%.2f x iconv, memory %.2f x file, exit %d)\n",
                list.ms, list.maxRssKb / 1024.0, list.ms / iconv.ms, list.maxRssKb / 1024.0 / fileMb,
                WIFEXITED(list.status) ? WEXITSTATUS(list.status) : -1);
}

int emptyLines(qint64 n)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.TAV"));
    textfile::writeBytes(path, QByteArray(n, '\r'));
    const double mb = double(QFileInfo(path).size()) / 1e6;
    std::printf("file: %lld empty lines ended by CR, %.1f MB\n", qlonglong(n), mb);
    compareProcesses(path, mb);
    const ProcessRun convert = runProcess({cliPath(), QStringLiteral("convert"), path, dir.filePath(QStringLiteral("o.TAV"))}, 1);
    std::printf("process  tavrel-cli convert:      %8.1f ms  peak %6.1f MB\n", convert.ms, convert.maxRssKb / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() > 2 && a.at(1) == QLatin1String("--empty-lines"))
        return emptyLines(a.at(2).toLongLong());
    const auto [entries, cells] = bench::sizeFromArguments(a);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.TAV"));
    textfile::writeBytes(path, generateRegisterBytes(entries, cells));
    const double fileMb = double(QFileInfo(path).size()) / 1e6;
    std::printf("register: %d entries x %d cells, %.1f MB\n", entries, cells, fileMb);

    // Whole processes first, while this process is still small.
    compareProcesses(path, fileMb);

    // Best of three runs each: the machine may be busy with other work.
    const ProcessRun iconv = runProcess({QStringLiteral("iconv"), QStringLiteral("-f"), QStringLiteral("CP932"),
                                         QStringLiteral("-t"), QStringLiteral("UTF-8"), path});
    QElapsedTimer t;
    RegisterDocument doc;
    QList<EntryHeader> rows;
    double loadMs = 1e9;
    const long rssBefore = selfMaxRssKb();
    for (int run = 0; run < 3; ++run) {
        t.restart();
        rows = doc.load(path);
        loadMs = std::min(loadMs, ms(t));
    }
    std::printf("iconv -f CP932 -t UTF-8:      %8.1f ms\n", iconv.ms);
    std::printf("load + list rows (%lld):    %8.1f ms  (%.2f x iconv)\n", qlonglong(rows.size()), loadMs,
                loadMs / iconv.ms);
    std::printf("document memory:              %8.1f MB  (%.2f x file; process peak grew %.1f MB)\n",
                doc.lines().memoryBytes() / 1e6, doc.lines().memoryBytes() / 1e6 / fileMb,
                (selfMaxRssKb() - rssBefore) / 1024.0);

    t.restart();
    QRandomGenerator rng(1);
    qint64 sum = 0;
    const int finds = 100000;
    for (int i = 0; i < finds; ++i)
        sum += doc.findEntry(1 + rng.bounded(entries));
    std::printf("find entry:                   %8.3f us each\n", ms(t) * 1000.0 / finds);

    t.restart();
    const bool modified = doc.isModified();
    std::printf("is modified (%d):              %8.1f ms\n", int(modified), ms(t));

    EntryHeader h = rows.first();
    h.extension = QStringLiteral("99999");
    t.restart();
    doc.appendEntryAsCopy(h, 1);
    std::printf("create entry (copy of 1):     %8.1f ms\n", ms(t));

    doc.setLine(doc.findEntry(7) + 2, QStringLiteral("changed"));
    t.restart();
    const bool modifiedNow = doc.isModified();
    std::printf("is modified after a change (%d): %6.1f ms\n", int(modifiedNow), ms(t));

    // A cell of entry 1 gains a text line: lines inserted near the top of
    // the document, as editing a cell does.
    t.restart();
    doc.insertLines(doc.findEntry(1) + 60, {QStringLiteral("保留")});
    const double insertMs = ms(t);
    t.restart();
    doc.removeLines(doc.findEntry(1) + 60, 1);
    std::printf("insert a line near the top:   %8.2f ms\n", insertMs);
    std::printf("remove a line near the top:   %8.2f ms\n", ms(t));

    t.restart();
    doc.deleteEntries({entries / 2}, entries + 1);
    std::printf("delete entry %d:             %8.1f ms\n", entries / 2 + 1, ms(t));

    t.restart();
    doc.deleteEntries({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, entries);
    std::printf("delete 10 entries:            %8.1f ms\n", ms(t));

    // Save of the unchanged register, against iconv of the same file.
    rows = doc.load(path);
    double saveMs = 1e9;
    for (int run = 0; run < 3; ++run) {
        t.restart();
        doc.save(dir.filePath(QStringLiteral("out.TAV")));
        saveMs = std::min(saveMs, ms(t));
    }
    std::printf("save:                         %8.1f ms  (%.2f x iconv)\n", saveMs, saveMs / iconv.ms);

    // Undo: every 20th entry deleted in one command, without and with the
    // history recording it; the step undone, redone and undone again, and
    // the register saved with the step kept (its lines become texts).
    QList<int> some;
    for (int r = 0; r < entries; r += 20)
        some << r;
    rows = doc.load(path);
    t.restart();
    doc.deleteEntries(some, int(rows.size()));
    const double plainMs = ms(t);
    rows = doc.load(path);
    doc.history().setEnabled(true);
    t.restart();
    doc.deleteEntries(some, int(rows.size()));
    const double recordedMs = ms(t);
    std::printf("delete %lld entries:           %8.1f ms  recorded: %8.1f ms  (history %.1f MB)\n",
                qlonglong(some.size()), plainMs, recordedMs, doc.history().memoryBytes() / 1e6);
    t.restart();
    doc.undo();
    const double undoMs = ms(t);
    t.restart();
    const bool modifiedAfterUndo = doc.isModified();
    const double modifiedMs = ms(t);
    t.restart();
    doc.redo();
    const double redoMs = ms(t);
    doc.undo();
    std::printf("undo: %8.1f ms  redo: %8.1f ms  (history %.1f MB; modified after undo %d, %.1f ms)\n", undoMs,
                redoMs, doc.history().memoryBytes() / 1e6, int(modifiedAfterUndo), modifiedMs);
    doc.redo();
    t.restart();
    doc.save(dir.filePath(QStringLiteral("out.TAV")));
    std::printf("save with the step kept:      %8.1f ms  (history %.1f MB)\n", ms(t),
                doc.history().memoryBytes() / 1e6);
    return sum == 42 ? 1 : 0;
}
