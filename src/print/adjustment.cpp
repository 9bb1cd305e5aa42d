#include "print/adjustment.h"

#include "platform/conversion.h"

namespace print {

bool adjustmentTextAccepted(const QString &text)
{
    if (text.isEmpty() || text == QLatin1String("-"))
        return false;
    const QChar first = text.at(0);
    if (!(first == u'-' || (first >= u'0' && first <= u'9')))
        return false;
    int points = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'.')
            ++points;
        else if (!(c >= u'0' && c <= u'9'))
            return false;
    }
    if (points > 1)
        return false;
    Fixed4 v;
    return Fixed4::tryParse(text, v);
}

Fixed4 adjustmentValue(const QString &text)
{
    return Fixed4::parse(text);
}

QString formatAdjustment(Fixed4 value)
{
    QString s = value.toString();
    if (!s.contains(u'.'))
        s += QStringLiteral(".0");
    return s;
}

} // namespace print
