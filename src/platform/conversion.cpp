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

namespace {

// One parser for text and for the ASCII-compatible bytes of a file line: a
// byte of 0x80 or more is never a blank, sign or digit, just as the
// character it decodes to is not.
template <typename Unit>
bool parseIntUnits(const Unit *p, const Unit *end, int &value)
{
    auto code = [](Unit u) -> unsigned { return unsigned(u); };
    while (p < end && (code(*p) == ' ' || code(*p) == '\t'))
        ++p;
    bool negative = false;
    if (p < end && (code(*p) == '-' || code(*p) == '+')) {
        negative = code(*p) == '-';
        ++p;
    }
    if (p == end)
        return false;
    qint64 v = 0;
    for (; p < end; ++p) {
        const unsigned c = code(*p);
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
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

} // namespace

bool tryParseInt(const QString &text, int &value)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(text.constData());
    return parseIntUnits(p, p + text.size(), value);
}

bool tryParseInt(QByteArrayView ascii, int &value)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(ascii.data());
    return parseIntUnits(p, p + ascii.size(), value);
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

