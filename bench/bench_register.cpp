// Register benchmark: open (load and list), find entry, create, delete and
// save on a register of ENTRIES × CELLS, against iconv of the same file.

#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "registergenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace {
double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const int entries = a.size() > 1 ? a.at(1).toInt() : 2000;
    const int cells = a.size() > 2 ? a.at(2).toInt() : 100;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.TAV"));
    textfile::write(path, generateRegister(entries, cells));
    std::printf("register: %d entries x %d cells, %.1f MB\n", entries, cells,
                double(QFileInfo(path).size()) / 1e6);

    // Best of three runs each: the machine may be busy with other work.
    QElapsedTimer t;
    double iconvMs = 1e9;
    for (int run = 0; run < 3; ++run) {
        t.start();
        QProcess iconv;
        iconv.setStandardOutputFile(QProcess::nullDevice());
        iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP932"), QStringLiteral("-t"),
                                              QStringLiteral("UTF-8"), path});
        iconv.waitForFinished(-1);
        iconvMs = std::min(iconvMs, ms(t));
    }
    std::printf("iconv -f CP932 -t UTF-8:      %8.1f ms\n", iconvMs);

    RegisterDocument doc;
    QList<EntryHeader> rows;
    double loadMs = 1e9;
    for (int run = 0; run < 3; ++run) {
        t.restart();
        rows = doc.load(path);
        loadMs = std::min(loadMs, ms(t));
    }
    std::printf("load + list rows (%lld):    %8.1f ms  (%.2f x iconv)\n", qlonglong(rows.size()), loadMs, loadMs / iconvMs);

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
    doc.removeLines(doc.findEntry(1) + 60, 1);
    std::printf("insert and remove a line:     %8.1f ms\n", ms(t));

    t.restart();
    doc.deleteEntries({entries / 2}, entries + 1);
    std::printf("delete entry %d:             %8.1f ms\n", entries / 2 + 1, ms(t));

    t.restart();
    doc.deleteEntries({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, entries);
    std::printf("delete 10 entries:            %8.1f ms\n", ms(t));

    t.restart();
    doc.save(dir.filePath(QStringLiteral("out.TAV")));
    std::printf("save:                         %8.1f ms\n", ms(t));
    return sum == 42 ? 1 : 0;
}
