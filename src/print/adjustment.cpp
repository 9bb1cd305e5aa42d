#include "print/adjustment.h"

#include "platform/conversion.h"
#include "platform/textfile.h"

#include <QStringDecoder>

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

namespace {

bool needsEscape(char32_t c, bool atEdge)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    switch (c) {
    case U'%': case U'=': case U'[': case U']': case U';': case U'#':
        return true;
    default:
        break;
    }
    if (atEdge && QChar::isSpace(c))
        return true;
    QByteArray bytes;
    return !textfile::encodeCp932(QString::fromUcs4(&c, 1), bytes);
}

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    return -1;
}

} // namespace

QString adjustKeyOfPrinter(const QString &printerName)
{
    const QList<uint> points = printerName.toUcs4();
    // Blanks at either end are escaped up to the first and from the last
    // character that is none.
    qsizetype first = 0, last = points.size() - 1;
    while (first < points.size() && QChar::isSpace(points.at(first)))
        ++first;
    while (last >= first && QChar::isSpace(points.at(last)))
        --last;
    QString key;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t c = points.at(i);
        const QString one = QString::fromUcs4(&c, 1);
        if (needsEscape(c, i < first || i > last)) {
            for (const char b : one.toUtf8())
                key += QStringLiteral("%%1").arg(uint(uchar(b)), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            key += one;
        }
    }
    return key;
}

QString printerOfAdjustKey(const QString &key)
{
    QString name;
    QByteArray bytes;
    auto flush = [&]() -> bool {
        if (bytes.isEmpty())
            return true;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        bytes.clear();
        if (utf8.hasError())
            return false;
        name += text;
        return true;
    };
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key.at(i) == u'%') {
            const int hi = i + 2 < key.size() ? hexDigit(key.at(i + 1)) : -1;
            const int lo = hi >= 0 ? hexDigit(key.at(i + 2)) : -1;
            if (lo < 0)
                return QString();
            bytes.append(char(hi * 16 + lo));
            i += 2;
            continue;
        }
        if (!flush())
            return QString();
        name += key.at(i);
    }
    if (!flush() || name.isEmpty())
        return QString();
    // One name, one key: anything but the form written is not ours.
    return adjustKeyOfPrinter(name).compare(key, Qt::CaseInsensitive) == 0 ? name : QString();
}

QString formatAdjustPair(const Adjustment &a)
{
    return formatAdjustment(a.vertical) + u',' + formatAdjustment(a.horizontal);
}

std::optional<Adjustment> parseAdjustPair(const QString &value)
{
    const QStringList parts = value.split(u',');
    if (parts.size() != 2)
        return std::nullopt;
    const QString v = parts.at(0).trimmed(), h = parts.at(1).trimmed();
    if (!adjustmentTextAccepted(v) || !adjustmentTextAccepted(h))
        return std::nullopt;
    return Adjustment{adjustmentValue(v), adjustmentValue(h)};
}

} // namespace print
