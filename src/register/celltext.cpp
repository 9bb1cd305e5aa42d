#include "register/celltext.h"

#include "register/cellrecord.h"
#include "register/stripwalk.h"

#include "platform/conversion.h"
#include "register/textrule.h"

namespace strip {

QString cutTextLine(const QString &line)
{
    if (line.size() <= MaxTextLineLength)
        return line;
    qsizetype n = MaxTextLineLength;
    if (line.at(n - 1).isHighSurrogate() && line.at(n).isLowSurrogate())
        --n;
    return line.left(n);
}

QStringList editorLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    QStringList lines = t.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString clipboardText(const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QLatin1String("\r\n");
    return text;
}

QStringList writeCellText(RegisterDocument &doc, int headerLine, int cell, const QStringList &lines)
{
    // What is cut off is never stored, so only the cut lines are checked.
    QStringList cut;
    cut.reserve(lines.size());
    for (const QString &l : lines)
        cut.append(cutTextLine(textrule::mapInput(l, doc.encoding())));
    if (const textrule::Refusal r = textrule::check(cut, textrule::Field::CellLine, doc.encoding()))
        throw textrule::RefusedInput(r.message());
    RegisterStep step(doc, QStringLiteral("文字の入力"));
    const int b = locateCell(doc.lines(), headerLine, cell);
    const int n = intLineAt(doc.lines(), b + cellline::TextCount);
    // Writing back what is there changes nothing (and is no step to undo).
    if (doc.line(b + cellline::TextCount) == QString::number(n) && n == cut.size()
        && doc.lines().mid(b + cellline::FirstText, n) == cut && doc.line(b + cellline::PictureType).isEmpty()
        && doc.line(b + cellline::PictureData).isEmpty())
        return cut;
    doc.removeLines(b + cellline::FirstText, n);
    doc.setLine(b + cellline::TextCount, QString::number(cut.size()));
    doc.insertLines(b + cellline::FirstText, cut);
    doc.setLine(b + cellline::PictureType, QString());
    doc.setLine(b + cellline::PictureData, QString());
    return cut;
}

} // namespace strip
