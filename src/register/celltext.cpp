#include "register/celltext.h"

#include "register/cellrecord.h"
#include "register/stripwalk.h"

#include "platform/characters.h"
#include "platform/conversion.h"
#include "register/textrule.h"

namespace strip {

QString cutTextLine(const QString &line)
{
    if (line.size() <= MaxTextLineLength) // fewer units, so no more characters
        return line;
    return characters::left(line, MaxTextLineLength);
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
    const int b = locateCell(doc.lines(), headerLine, cell);
    const int n = intLineAt(doc.lines(), b + regfmt::cell::TextCount);
    const QStringList held = doc.lines().mid(b + regfmt::cell::FirstText, n);
    // A line the cell already holds is kept as it is (a stored line of 30
    // characters or with a tab stays whole); the rule is for new text, where
    // a character the cell already holds is not new either. New lines are
    // checked whole, then cut, so that nothing refused is dropped unsaid.
    const QString heldText = held.join(QString());
    QStringList stored;
    stored.reserve(lines.size());
    for (const QString &l : lines) {
        if (held.contains(l)) {
            stored.append(l);
            continue;
        }
        const QString mapped = textrule::mapInput(l, doc.encoding());
        QString added;
        for (qsizetype i = 0; i < mapped.size(); i += characters::sizeAt(mapped, i)) {
            const QString ch = characters::at(mapped, i);
            if (!heldText.contains(ch))
                added += ch;
        }
        if (const textrule::Refusal r = textrule::check(added, textrule::Field::CellLine, doc.encoding()))
            throw textrule::RefusedInput(r.message());
        stored.append(cutTextLine(mapped));
    }
    // Writing back what is there changes nothing (and is no step to undo).
    if (doc.line(b + regfmt::cell::TextCount) == QString::number(n) && stored == held
        && doc.line(b + regfmt::cell::PictureType).isEmpty() && doc.line(b + regfmt::cell::PictureData).isEmpty())
        return stored;
    RegisterStep step(doc, QStringLiteral("文字の入力"));
    doc.removeLines(b + regfmt::cell::FirstText, n);
    doc.setLine(b + regfmt::cell::TextCount, QString::number(stored.size()));
    doc.insertLines(b + regfmt::cell::FirstText, stored);
    doc.setLine(b + regfmt::cell::PictureType, QString());
    doc.setLine(b + regfmt::cell::PictureData, QString());
    return stored;
}

} // namespace strip
