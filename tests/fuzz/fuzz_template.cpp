// Strip templates: a template file in the program folder, its body built and
// a new entry made from it, in an empty register and in one that already
// holds an entry.
//
// Invariants: a refused template leaves the register as it was; an accepted
// one appends exactly its body after the marker and header; the new entry
// passes check and draws without an error. What the template writer writes
// (the template edited, or a grid made from numbers of the input) passes the
// template check without errors and makes an entry that check accepts.

#include "fuzzsupport.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/registercheck.h"
#include "register/templatecheck.h"
#include "register/templates.h"
#include "template/templatemodel.h"

namespace {

const QString StripType = QStringLiteral("ファズ電話機");

// The written template must pass the template check and make an entry that
// the register check accepts.
void requireWrittenSound(const QByteArray &written, const QString &what)
{
    const QStringList lines = textfile::decode(written).lines;
    for (const templates::Problem &p : templates::checkTemplate(lines))
        FUZZ_REQUIRE(!p.isError(), QStringLiteral("%1: the written template has an error: %2").arg(what, p.text()));
    QStringList body;
    try {
        body = templates::instantiateBody(lines, QStringLiteral("w.tpl"));
    } catch (const TavrelError &e) {
        FUZZ_REQUIRE(false, QStringLiteral("%1: the written template makes no entry: %2").arg(what, e.message()));
    }
    QStringList doc{RegisterDocument::VersionLine, QStringLiteral("1"), RegisterDocument::markerLine(1),
                    QStringLiteral("1"), {}, {}, {}, series::caption(0), QStringLiteral("w")};
    const QList<RegisterProblem> problems = checkRegister(RegisterLines(doc + body));
    FUZZ_REQUIRE(problems.isEmpty(), QStringLiteral("%1: the entry is refused: %2").arg(what, problems.isEmpty() ? QString() : problems.first().message));
}

// A grid from the input's first bytes, and the template itself edited the
// way the designer edits it.
void writerInvariant(const QByteArray &bytes, const QStringList &lines)
{
    auto byte = [&](int i) { return i < bytes.size() ? int(quint8(bytes.at(i))) : 0; };
    tpl::GridSpec g;
    g.columns = 1 + byte(0) % 12;
    g.rows = 1 + byte(1) % 12;
    g.keyWidth = Fixed4::fromRaw(1 + qint64(byte(2)) * 1237);
    g.keyHeight = Fixed4::fromRaw(1 + qint64(byte(3)) * 731);
    g.pitchX = g.keyWidth + Fixed4::fromRaw(qint64(byte(4)) * 100);
    g.pitchY = g.keyHeight + Fixed4::fromRaw(qint64(byte(5)) * 100);
    g.firstNumber = 1 + byte(6);
    g.downColumns = byte(7) & 1;
    if (g.problem().isEmpty())
        requireWrittenSound(textfile::encode(tpl::gridTemplate(g, series::caption(byte(8) % 8), Fixed4::fromRaw(byte(9) * 1000),
                                                               Fixed4::fromRaw(byte(10) * 1000))),
                            QStringLiteral("grid"));

    if (templates::hasErrors(templates::checkTemplate(lines)))
        return;
    tpl::TemplateModel model;
    try {
        model.loadBytes(bytes);
    } catch (const TavrelError &) {
        FUZZ_REQUIRE(false, QStringLiteral("a template without errors could not be read"));
    }
    const QByteArray initial = model.bytes();
    const QList<tpl::CellRef> cells = model.allCells();
    model.moveCells(cells, Fixed4::fromRaw(1000), Fixed4::fromRaw(-10000));
    if (model.sectionCount() < 100 && model.totalCells() + 3 <= 100) {
        tpl::GridSpec column;
        column.rows = 3;
        const int s = model.addSection(column.sectionAround(Fixed4::fromInt(1), Fixed4::fromInt(1)));
        model.addCells(s, column.cells());
    }
    if (!cells.isEmpty()) {
        tpl::CellData d = model.cell(cells.first());
        d.keyCode = tpl::CellData::presetCode(10, QStringLiteral("保留"));
        model.setCell(cells.first(), d);
    }
    model.renumber();
    requireWrittenSound(model.bytes(), QStringLiteral("edited"));
    while (model.canUndo())
        model.undo();
    FUZZ_REQUIRE(model.bytes() == initial, QStringLiteral("undoing every edit did not give the template back"));
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
    const QString fileName = StripType + QStringLiteral(".tpl");
    fuzz::writeScratch(fileName, bytes);
    const QStringList lines = textfile::decode(bytes).lines;
    writerInvariant(bytes, lines);

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
