// CSV files: the reader, then the check of every row and the import of the
// sound ones into an empty register and into the sample register, with the
// shipped templates.
//
// Invariants: bytes the reader refuses are refused by the analysis too and
// change nothing; records the reader returns are written back (UTF-8) and
// read again as the same fields; the import appends exactly the sound rows
// with the headers the analysis showed, the result passes check, and undo
// gives back the register line for line; what an import into an empty
// register exports imports again into another empty register and exports
// byte for byte the same.

#include "fuzzsupport.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/csvfile.h"
#include "register/csvimport.h"
#include "register/registerdocument.h"

#include <QFile>

namespace {

const QDateTime Now(QDate(2025, 3, 4), QTime(5, 6));

QString templateFolder() { return QStringLiteral(TAVREL_BINARY_DIR "/"); }

const RegisterDocument &sample()
{
    static const RegisterDocument *doc = [] {
        auto *d = new RegisterDocument;
        QFile f(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV"));
        if (!f.open(QIODevice::ReadOnly))
            fuzz::fail(__FILE__, __LINE__, QStringLiteral("no sample register"));
        d->loadBytes(f.readAll());
        return d;
    }();
    return *doc;
}

// The reader's records come back from the writer unchanged. A record of one
// empty field is written as an empty line, which is no record; fields with a
// lone surrogate (UTF-16 input) cannot be written as UTF-8.
void requireWriteReadsBack(const csv::Table &table)
{
    QList<QStringList> records;
    for (const csv::Record &r : table.records) {
        if (r.fields == QStringList{QString()})
            continue;
        for (const QString &f : r.fields)
            if (!f.isValidUtf16())
                return;
        records.append(r.fields);
    }
    QByteArray written;
    try {
        written = csv::write(records, csv::Encoding::Utf8Bom);
    } catch (const TavrelError &e) {
        fuzz::fail(__FILE__, __LINE__, QStringLiteral("writing UTF-8 failed: %1").arg(e.message()));
    }
    const csv::Table again = csv::parse(written);
    FUZZ_REQUIRE(again.encoding == csv::Encoding::Utf8Bom, QStringLiteral("the written file is not UTF-8 with its mark"));
    FUZZ_REQUIRE(again.records.size() == records.size(), QStringLiteral("%1 records written, %2 read back")
                                                             .arg(records.size())
                                                             .arg(again.records.size()));
    for (qsizetype i = 0; i < records.size(); ++i) {
        FUZZ_REQUIRE(again.records.at(i).fields == records.at(i),
                     QStringLiteral("record %1 reads back as «%2», written «%3»")
                         .arg(i)
                         .arg(again.records.at(i).fields.join(u'|'), records.at(i).join(u'|')));
        FUZZ_REQUIRE(again.records.at(i).fault.isEmpty(), QStringLiteral("a written record has a fault"));
    }
}

// Imports the analysis into doc and checks the result; returns false when
// nothing was sound.
bool requireImport(RegisterDocument &doc, const csvimport::Analysis &a)
{
    const QStringList before = doc.lines().toStringList();
    const int entriesBefore = doc.entryCount();
    QList<int> added;
    try {
        added = csvimport::importCsvRows(doc, a, templateFolder());
    } catch (const TavrelError &e) {
        FUZZ_REQUIRE(doc.lines().toStringList() == before, QStringLiteral("a failed import changed the register"));
        fuzz::fail(__FILE__, __LINE__, QStringLiteral("sound rows were not imported: %1").arg(e.message()));
    }
    FUZZ_REQUIRE(added.size() == a.soundCount(),
                 QStringLiteral("%1 sound rows, %2 entries made").arg(a.soundCount()).arg(added.size()));
    FUZZ_REQUIRE(doc.entryCount() == entriesBefore + a.soundCount(), QStringLiteral("the entry count is wrong"));
    qsizetype k = 0;
    for (const csvimport::Row &row : a.rows) {
        if (!row.sound())
            continue;
        const int n = added.at(k++);
        FUZZ_REQUIRE(n == entriesBefore + k, QStringLiteral("entry %1 is not numbered in file order").arg(n));
        FUZZ_REQUIRE(doc.headerOfEntry(n) == row.header,
                     QStringLiteral("entry %1's header differs from line %2 of the file").arg(n).arg(row.line));
    }
    if (added.isEmpty()) {
        FUZZ_REQUIRE(doc.lines().toStringList() == before, QStringLiteral("an import of nothing changed the register"));
        return false;
    }
    fuzz::requireAccepted(doc, QStringLiteral("a CSV import"));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    (void)sample();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    csv::Table table;
    bool text = true;
    try {
        table = csv::parse(bytes);
    } catch (const TavrelError &e) {
        FUZZ_REQUIRE(e.message() == csv::NotTextMessage, QStringLiteral("unexpected refusal: %1").arg(e.message()));
        text = false;
    }
    if (text)
        requireWriteReadsBack(table);

    for (const RegisterDocument &start : {RegisterDocument(), sample()}) {
        RegisterDocument doc = start;
        doc.history().setEnabled(true);
        const QStringList before = doc.lines().toStringList();
        csvimport::Analysis a;
        try {
            a = csvimport::analyse(bytes, doc, templateFolder(), Now);
        } catch (const TavrelError &e) {
            FUZZ_REQUIRE(!text, QStringLiteral("readable bytes were refused: %1").arg(e.message()));
            FUZZ_REQUIRE(doc.lines().toStringList() == before, QStringLiteral("a refused file changed the register"));
            continue;
        }
        FUZZ_REQUIRE(text, QStringLiteral("bytes the reader refuses were analysed"));
        FUZZ_REQUIRE(a.rows.size() + (a.headerRow ? 1 : 0) == table.records.size(),
                     QStringLiteral("%1 records, %2 rows").arg(table.records.size()).arg(a.rows.size()));
        for (const csvimport::Row &row : a.rows)
            FUZZ_REQUIRE(row.sound() == row.problem.isEmpty(), QStringLiteral("row state"));

        if (!requireImport(doc, a))
            continue;
        const QStringList after = doc.lines().toStringList();
        FUZZ_REQUIRE(doc.history().count() == 1, QStringLiteral("the import is not one step"));
        doc.undo();
        FUZZ_REQUIRE(doc.lines().toStringList() == before, QStringLiteral("undoing the import did not restore the register"));
        doc.redo();
        FUZZ_REQUIRE(doc.lines().toStringList() == after, QStringLiteral("redoing the import differs from the import"));

        // Code page 932 may refuse a character; it must not fail otherwise.
        try {
            (void)csvimport::exportCsv(doc, csv::Encoding::Cp932);
        } catch (const EncodingError &) {
        }
        if (!start.lines().toStringList().isEmpty())
            continue;
        const QByteArray exported = csvimport::exportCsv(doc, csv::Encoding::Utf8Bom);
        RegisterDocument fresh;
        const csvimport::Analysis again = csvimport::analyse(exported, fresh, templateFolder(), Now);
        for (const csvimport::Row &row : again.rows)
            FUZZ_REQUIRE(row.sound(), QStringLiteral("exported line %1 is refused: %2").arg(row.line).arg(row.problem));
        requireImport(fresh, again);
        FUZZ_REQUIRE(csvimport::exportCsv(fresh, csv::Encoding::Utf8Bom) == exported,
                     QStringLiteral("the export does not import back the same"));
    }
    return 0;
}
