// tavrel-cli render: writes the strip of one entry, as one view shows it, to
// a PNG file at the view's whole-pixel sheet size.

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "strip/stripimage.h"

#include <QBuffer>

namespace {

int cmdRender(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 1 || !args.has(QStringLiteral("entry")) || !args.has(QStringLiteral("o")))
        return usageErrorWithUsage(ctx, QStringLiteral("render takes one register file, --entry and -o"));
    int entry;
    QString beyond;
    if (!parseListedNumber(args.value(QStringLiteral("entry")), entry, beyond))
        return usageError(ctx, QStringLiteral("--entry takes an entry number from 1"));
    const QString viewName = args.has(QStringLiteral("view")) ? args.value(QStringLiteral("view"))
                                                              : QStringLiteral("detail");
    strip::View view;
    if (viewName == QLatin1String("detail"))
        view = strip::View::Detail;
    else if (viewName == QLatin1String("overview"))
        view = strip::View::Overview;
    else
        return usageError(ctx, QStringLiteral("--view takes detail or overview"));

    if (!outputApartFromRegister(ctx, args.value(QStringLiteral("o")), args.positional().at(0)))
        return 2;
    RegisterDocument doc;
    const int h = loadEntry(ctx, doc, args.positional().at(0), entry, beyond);
    if (h < 0)
        return 1;
    const QImage image = strip::renderStrip(doc.lines(), h, view);
    // Encoded in memory, then written as every output is: atomically over a
    // file, or into standard output, a FIFO or a device.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw TavrelError(QStringLiteral("画像を作成できません。"));
    textfile::writeOutput(args.value(QStringLiteral("o")), png);
    return 0;
}

const CliRegistration reg(
    QStringLiteral("render"), cmdRender, CliApplication::Offscreen,
    {QStringLiteral("FILE --entry N [--view detail|overview] -o OUT.png"),
     QStringLiteral("draw the strip of one entry as a view shows it, into a PNG file"),
     {{QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("the entry")},
      {QStringLiteral("view"), QStringLiteral("detail|overview"),
       QStringLiteral("詳細画面 (detail view, the default) or 全体画面 (overview)")},
      {QStringLiteral("o"), QStringLiteral("OUT.png"), QStringLiteral("the picture file to write; - for standard output")}},
     QString()});

} // namespace
