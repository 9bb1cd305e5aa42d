#include "strip/celltext.h"

#include "strip/cellrecord.h"
#include "strip/stripwalk.h"

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

QStringList writeCellText(RegisterDocument &doc, int headerLine, int cell, const QStringList &lines)
{
    const int b = locateCell(doc.lines(), headerLine, cell);
    const int n = intLineAt(doc.lines(), b + cellline::TextCount);
    QStringList cut;
    cut.reserve(lines.size());
    for (const QString &l : lines)
        cut.append(cutTextLine(l));
    doc.removeLines(b + cellline::FirstText, n);
    doc.setLine(b + cellline::TextCount, QString::number(cut.size()));
    doc.insertLines(b + cellline::FirstText, cut);
    doc.setLine(b + cellline::PictureType, QString());
    doc.setLine(b + cellline::PictureData, QString());
    return cut;
}

} // namespace strip
