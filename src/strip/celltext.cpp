#include "strip/celltext.h"

#include "strip/cellrecord.h"
#include "strip/stripwalk.h"

#include "platform/textfile.h"

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

QString unsavableCharacter(const QString &text, TextEncoding encoding)
{
    if (encoding != TextEncoding::Cp932)
        return QString();
    QByteArray out;
    qsizetype bad = -1;
    if (textfile::encodeCp932(text, out, &bad) || bad < 0 || bad >= text.size())
        return QString();
    const bool pair = text.at(bad).isHighSurrogate() && bad + 1 < text.size() && text.at(bad + 1).isLowSurrogate();
    return text.mid(bad, pair ? 2 : 1);
}

QString unsavableInputMessage(const QString &character)
{
    const char32_t code = character.size() == 2 ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                                                : character.at(0).unicode();
    return QStringLiteral("文字「%1」(U+%2) はシフトJISのデータベースに保存できないため、入力できません。")
        .arg(character, QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'));
}

QStringList writeCellText(RegisterDocument &doc, int headerLine, int cell, const QStringList &lines)
{
    RegisterStep step(doc, QStringLiteral("文字の入力"));
    const int b = locateCell(doc.lines(), headerLine, cell);
    const int n = intLineAt(doc.lines(), b + cellline::TextCount);
    QStringList cut;
    cut.reserve(lines.size());
    for (const QString &l : lines)
        cut.append(cutTextLine(l));
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
