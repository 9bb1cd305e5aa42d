#include "fuzzsupport.h"

#include "platform/fonts.h"
#include "print/pageformat.h"
#include "print/strippage.h"
#include "register/registercheck.h"
#include "register/stripwalk.h"
#include "strip/cellrenderer.h"
#include "strip/stripimage.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace strip;

namespace fuzz {

namespace {

QtMessageHandler previousHandler = nullptr;

// Damaged pictures and fonts make Qt warn on nearly every input; the run's
// output would drown in them.
void quiet(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtDebugMsg || type == QtInfoMsg)
        return;
    previousHandler(type, context, message);
}

QTemporaryDir *scratch()
{
    static QTemporaryDir *dir = new QTemporaryDir; // lives until the process ends
    return dir;
}

} // namespace

void initialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    previousHandler = qInstallMessageHandler(quiet);
    static QGuiApplication *app = new QGuiApplication(*argc, *argv);
    (void)app;
    installFontSubstitutions();
    if (!scratch()->isValid()) {
        std::fprintf(stderr, "fuzz: no scratch folder\n");
        std::exit(1);
    }
}

QString scratchFolder() { return scratch()->path() + u'/'; }

QString writeScratch(const QString &name, const QByteArray &bytes)
{
    const QString path = scratchFolder() + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail(__FILE__, __LINE__, QStringLiteral("cannot write %1").arg(path));
    return path;
}

void fail(const char *file, int line, const QString &what)
{
    std::fprintf(stderr, "\n*** invariant broken at %s:%d\n    %s\n", file, line, what.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

QString problemsText(const QList<RegisterProblem> &problems)
{
    QStringList out;
    for (const RegisterProblem &p : problems.mid(0, 5))
        out << QStringLiteral("line %1: %2").arg(p.line + 1).arg(p.message);
    return out.join(QStringLiteral("; "));
}

// Walks, renders and draws the entry at header line h; any error fails.
void drawEntry(const RegisterLines &lines, int h)
{
    struct Cells : strip::StripVisitor
    {
        QList<strip::Cell> cells;
        bool section(const strip::Section &) override { return true; }
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            cells << c;
            return true;
        }
    } cells;
    try {
        const WalkSummary sum = walkStrip(lines, h, cells);
        FUZZ_REQUIRE(sum.stop == WalkStop::Complete, QStringLiteral("walk of the entry at line %1 stopped").arg(h + 1));
        for (const strip::Cell &c : cells.cells) {
            FUZZ_REQUIRE(locateCell(lines, h, c.index) == c.line, QStringLiteral("cell %1 located elsewhere").arg(c.index));
            renderCell(lines, c.line, QSize(48, 24), cellPointSize(lines, c.line));
        }
        for (View v : {View::Detail, View::Overview})
            renderStrip(lines, h, v);
        QImage page(280, 396, QImage::Format_RGB32); // half a preview page: what lies beyond is clipped
        QPainter p(&page);
        const print::PageFormatInfo &f = print::pageFormatInfo(print::PageFormat::A);
        print::drawStripPageAt(p, lines, h, {f.sx, f.sy, Fixed4(), Fixed4(), {}});
    } catch (const TavrelError &e) {
        fuzz::fail(__FILE__, __LINE__,
                   QStringLiteral("an accepted entry at line %1 does not draw: %2").arg(h + 1).arg(e.message()));
    }
}

void requireAccepted(const RegisterDocument &doc, const QString &operation)
{
    const QList<RegisterProblem> problems = checkRegister(doc.lines());
    FUZZ_REQUIRE(problems.isEmpty(), operation + QStringLiteral(" wrote what check refuses: ") + problemsText(problems));
}

} // namespace fuzz
