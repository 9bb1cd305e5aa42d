// tavrel-cli argument parsing: the input is split at NUL bytes and line
// feeds into arguments (at most 16) and run as one command line in a folder
// of its own, holding a small register r.TAV (two entries), a picture p.bmp
// and a settings folder.
//
// Paths stay inside that folder: the current folder is set to it, and an
// argument that names another place ("/", "..", "~") is made a plain name.
//
// Invariants: the exit code is 0, 1 or 2; nothing but TavrelError leaves a
// command; every register the command leaves in the folder (r.TAV changed
// or not, and any file it wrote that starts with the version line) passes
// check.

#include "fuzzsupport.h"

#include "cli/commands.h"
#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTextStream>

namespace {

QByteArray registerBytes;
QString startFolder; // the fuzzer's own folder: its corpus paths may be relative
QByteArray pictureBytes;

QString safeArgument(QString a)
{
    if (a.startsWith(u'/') || a.startsWith(u'~') || a.contains(QLatin1String("..")))
        a.replace(u'/', u'_').replace(u'~', u'_').replace(QLatin1String(".."), QLatin1String("__"));
    return a;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    RegisterDocument doc;
    for (const QString &type : {QStringLiteral("ｕＬ－６ボタン電話機"), QStringLiteral("ＳＩＰ－１２キー電話機")})
        templates::appendEntryFromTemplate(doc, QStringLiteral(TAVREL_BINARY_DIR),
                                           {QStringLiteral("201"), QStringLiteral("総務部"), QStringLiteral("山田 太郎"),
                                            QStringLiteral("2024/04/01 09:00"), type.startsWith(u'ｕ') ? series::caption(3) : series::caption(7), type});
    registerBytes = doc.lines().encode();
    QImage img(6, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    QBuffer buffer(&pictureBytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "BMP");
    qputenv("APPDATA", fuzz::scratchFolder().toLocal8Bit());
    startFolder = QDir::currentPath();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString run = fuzz::scratchFolder() + QStringLiteral("run");
    QDir(run).removeRecursively();
    QDir().mkpath(run + QStringLiteral("/settings"));
    QDir::setCurrent(run);
    fuzz::writeScratch(QStringLiteral("run/r.TAV"), registerBytes);
    fuzz::writeScratch(QStringLiteral("run/p.bmp"), pictureBytes);

    QStringList args;
    for (const QByteArray &part : QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0')) {
        for (const QByteArray &a : part.split('\n')) {
            if (args.size() < 16)
                args << safeArgument(QString::fromUtf8(a));
        }
    }
    const auto it = args.isEmpty() ? cliCommands().end() : cliCommands().find(args.at(0));
    if (it == cliCommands().end()) {
        QDir::setCurrent(startFolder);
        return 0;
    }

    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    CliContext ctx{out, err, QStringLiteral(TAVREL_BINARY_DIR "/"), it->first, &it->second.syntax, false, nullptr};
    int rc = 1;
    try {
        rc = it->second.run(ctx, args.mid(1));
    } catch (const TavrelError &) {
        rc = 1;
    }
    FUZZ_REQUIRE(rc >= 0 && rc <= 2, QStringLiteral("exit code %1").arg(rc));

    QDir::setCurrent(startFolder);
    const QFileInfoList files = QDir(run).entryInfoList(QDir::Files);
    for (const QFileInfo &fi : files) {
        const QByteArray bytes = textfile::readBytes(fi.filePath());
        if (fi.fileName() != QLatin1String("r.TAV") && !bytes.startsWith("file-version:"))
            continue;
        RegisterDocument doc;
        try {
            doc.loadBytes(bytes);
        } catch (const TavrelError &e) {
            fuzz::fail(__FILE__, __LINE__, QStringLiteral("'%1' left %2, which does not open: %3")
                                               .arg(args.join(u' '), fi.fileName(), e.message()));
        }
        const QList<RegisterProblem> problems = checkRegister(doc.lines());
        FUZZ_REQUIRE(problems.isEmpty(), QStringLiteral("'%1' left %2, which check refuses: line %3: %4")
                                             .arg(args.join(u' '), fi.fileName())
                                             .arg(problems.value(0).line + 1)
                                             .arg(problems.value(0).message));
    }
    return 0;
}
