#include "platform/conversion.h"

static QString conversionMessage(const QString &text, int line, ConversionError::Kind kind)
{
    QString shown = text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
    QString msg = (kind == ConversionError::Kind::Integer ? QStringLiteral("'%1' は有効な整数ではありません。")
                                                          : QStringLiteral("'%1' は有効な数値ではありません。"))
                      .arg(shown);
    if (line >= 0)
        msg += QStringLiteral("（%1 行目）").arg(line + 1);
    return msg;
}

ConversionError::ConversionError(const QString &text, int line, Kind kind)
    : TavrelError(conversionMessage(text, line, kind)), m_text(text), m_line(line)
{
}

bool tryParseInt(const QString &text, int &value)
{
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end && (*p == u' ' || *p == u'\t'))
        ++p;
    bool negative = false;
    if (p < end && (*p == u'-' || *p == u'+')) {
        negative = *p == u'-';
        ++p;
    }
    if (p == end)
        return false;
    qint64 v = 0;
    for (; p < end; ++p) {
        const char16_t c = p->unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
        if (v > qint64(2147483648LL))
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return false;
    value = int(v);
    return true;
}

int parseInt(const QString &text, int line)
{
    int v;
    if (!tryParseInt(text, v))
        throw ConversionError(text, line);
    return v;
}

QString trimControls(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b).unicode() <= 32)
        ++b;
    while (e > b && text.at(e - 1).unicode() <= 32)
        --e;
    return (b == 0 && e == text.size()) ? text : text.mid(b, e - b);
}
