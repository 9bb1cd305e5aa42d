// Strip templates: a template file in the program folder, its body built and
// a new entry made from it, in an empty register and in one that already
// holds an entry.
//
// Invariants: a refused template leaves the register as it was; an accepted
// one appends exactly its body after the marker and header; the new entry
// passes check and draws without an error.

#include "fuzzsupport.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"

namespace {

const QString StripType = QStringLiteral("ファズ電話機");

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString fileName = StripType + QStringLiteral(".tpl");
    fuzz::writeScratch(fileName, bytes);
    const QStringList lines = textfile::decode(bytes).lines;

    QStringList body;
    bool made = true;
    try {
        body = templates::instantiateBody(lines, fileName);
    } catch (const TavrelError &) {
        made = false;
    }

    const EntryHeader header{QStringLiteral("201"), QStringLiteral("総務部"), QStringLiteral("山田 太郎"),
                             QStringLiteral("2024/04/01 09:00"), series::caption(0), StripType};
    RegisterDocument withOne;
    templates::appendEntryFromTemplate(withOne, QStringLiteral(TAVREL_BINARY_DIR),
                                       {QStringLiteral("1"), {}, {}, {}, series::caption(3), QStringLiteral("ｕＬ－６ボタン電話機")});
    for (const RegisterDocument &start : {RegisterDocument(), withOne}) {
        RegisterDocument doc = start;
        const QStringList before = doc.lines().toStringList();
        try {
            templates::appendEntryFromTemplate(doc, fuzz::scratchFolder(), header);
        } catch (const TavrelError &e) {
            FUZZ_REQUIRE(!made, QStringLiteral("a template that builds was refused: %1").arg(e.message()));
            FUZZ_REQUIRE(doc.lines().toStringList() == before, QStringLiteral("a refused template changed the register"));
            continue;
        }
        FUZZ_REQUIRE(made, QStringLiteral("a template that does not build made an entry"));
        const qsizetype bodyStart = before.isEmpty() ? 9 : before.size() + 7;
        FUZZ_REQUIRE(doc.lines().toStringList().mid(bodyStart) == body, QStringLiteral("the entry differs from the template's body"));
        fuzz::requireAccepted(doc, QStringLiteral("a new entry"));
        fuzz::drawEntry(doc.lines(), doc.findEntry(doc.entryCount()) + 1);
    }
    return 0;
}
