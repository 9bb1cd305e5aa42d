// Register files: load (every encoding, the older layout converted), check,
// walk every entry, render its cells and both views, draw its page into a
// small image, run the entry commands and save.
//
// Invariants:
//  - a refused load leaves the document empty and unnamed;
//  - a register the program wrote (version line, CR LF, nothing
//    undecodable) saves back byte for byte; any other that saves opens
//    again with the same lines;
//  - every entry of a register that check accepts walks, renders and
//    draws without an error;
//  - what an entry command writes into an accepted register, check accepts.

#include "fuzzsupport.h"

#include "platform/conversion.h"
#include "print/pageformat.h"
#include "print/strippage.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "register/templates.h"
#include "strip/cellrenderer.h"
#include "strip/stripimage.h"

#include <QImage>
#include <QPainter>

using namespace strip;

namespace {

// The bytes a save of unchanged lines gives: each line's bytes and CR LF.
bool writtenByProgram(const QByteArray &bytes, const RegisterLines &raw)
{
    if (raw.isEmpty() || raw.at(0) != RegisterDocument::VersionLine)
        return false;
    QByteArray again = textfile::byteOrderMark(raw.encoding());
    const QByteArray end = textfile::lineEnd(raw.encoding());
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.isUndecodable(i))
            return false;
        again += raw.rawLine(i) + end;
    }
    return again == bytes;
}

// One entry command on a copy: refused, it leaves the copy as it was;
// done, check accepts the result.
template <typename F>
void command(const RegisterDocument &doc, const QString &name, F &&fn)
{
    RegisterDocument copy = doc;
    try {
        fn(copy);
    } catch (const TavrelError &) {
        FUZZ_REQUIRE(copy.lines().toStringList() == doc.lines().toStringList(), name + QStringLiteral(" refused, but changed the lines"));
        return;
    }
    fuzz::requireAccepted(copy, name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const RegisterLines raw = RegisterLines::fromBytes(bytes);
    checkRegister(raw);

    RegisterDocument doc;
    QList<EntryHeader> rows;
    try {
        rows = doc.loadBytes(bytes);
    } catch (const TavrelError &) {
        FUZZ_REQUIRE(doc.isEmpty() && doc.fileName().isEmpty() && !doc.isModified(),
                     QStringLiteral("a refused load left lines behind"));
        return 0;
    }
    FUZZ_REQUIRE(!doc.isModified(), QStringLiteral("a loaded register counts as modified"));

    const bool accepted = checkRegister(doc.lines()).isEmpty();
    if (accepted) {
        // Drawing costs most of a run: the first entries and the last.
        const std::vector<RegisterLines::Marker> entries = doc.listedEntries();
        for (size_t i = 0; i < entries.size(); ++i)
            if (i < 3 || i + 1 == entries.size())
                fuzz::drawEntry(doc.lines(), entries[i].pos + 1);
        if (!rows.isEmpty()) {
            const int count = int(rows.size());
            const EntryHeader header{QStringLiteral("999"), QStringLiteral("総務部"), QStringLiteral("山田 太郎"),
                                     QStringLiteral("2024/04/01 09:00"), rows.first().seriesCaption, rows.first().stripType};
            command(doc, QStringLiteral("copy of entry 1"), [&](RegisterDocument &d) { d.appendEntryAsCopy(header, 1); });
            command(doc, QStringLiteral("copy of the last entry"),
                    [&](RegisterDocument &d) { d.appendEntryAsCopy(header, count); });
            command(doc, QStringLiteral("entry from a template"), [&](RegisterDocument &d) {
                templates::appendEntryFromTemplate(d, QStringLiteral(TAVREL_BINARY_DIR),
                                                   {QStringLiteral("1"), {}, {}, {}, series::caption(3),
                                                    QStringLiteral("ｕＬ－６ボタン電話機")});
            });
            command(doc, QStringLiteral("header update"), [&](RegisterDocument &d) { d.updateEntryHeader(1, header); });
            command(doc, QStringLiteral("delete of entry 1"), [&](RegisterDocument &d) { d.deleteEntries({0}, count); });
            command(doc, QStringLiteral("delete of the last entry"),
                    [&](RegisterDocument &d) { d.deleteEntries({count - 1}, count); });
        }
    }

    const QString path = fuzz::scratchFolder() + QStringLiteral("saved.TAV");
    try {
        doc.save(path);
    } catch (const TavrelError &) {
        return 0; // a character the encoding cannot hold: refused with a message
    }
    const QByteArray saved = textfile::readBytes(path);
    if (writtenByProgram(bytes, raw))
        FUZZ_REQUIRE(saved == bytes, QStringLiteral("a register the program wrote saves differently"));
    RegisterDocument again;
    try {
        again.load(path);
    } catch (const TavrelError &e) {
        fuzz::fail(__FILE__, __LINE__, QStringLiteral("the saved register does not open: %1").arg(e.message()));
    }
    FUZZ_REQUIRE(again.lines().toStringList() == doc.lines().toStringList(),
                 QStringLiteral("the saved register opens with other lines"));
    if (accepted)
        fuzz::requireAccepted(again, QStringLiteral("save"));
    return 0;
}
