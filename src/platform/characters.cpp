#include "platform/characters.h"

namespace characters {

qsizetype sizeAt(QStringView text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
}

QString at(QStringView text, qsizetype i)
{
    return text.mid(i, sizeAt(text, i)).toString();
}

char32_t codeAt(QStringView text, qsizetype i)
{
    return sizeAt(text, i) == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : char32_t(text.at(i).unicode());
}

qsizetype count(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); i += sizeAt(text, i))
        ++n;
    return n;
}

QString left(const QString &text, qsizetype n)
{
    qsizetype i = 0;
    for (qsizetype k = 0; k < n && i < text.size(); ++k)
        i += sizeAt(text, i);
    return text.left(i);
}

QString codePoint(QStringView character)
{
    if (character.isEmpty())
        return QString();
    return QStringLiteral("U+") + QString::number(uint(codeAt(character, 0)), 16).toUpper().rightJustified(4, u'0');
}

} // namespace characters
