#include "platform/fixed4.h"

#include "platform/conversion.h"

#include <cstring>
#include <limits>

namespace {

qint64 saturate(__int128 v)
{
    if (v > std::numeric_limits<qint64>::max())
        return std::numeric_limits<qint64>::max();
    if (v < std::numeric_limits<qint64>::min())
        return std::numeric_limits<qint64>::min();
    return qint64(v);
}


} // namespace

// One parser for text and for the ASCII-compatible bytes of a file line: a
// byte of 0x80 or more is never a blank, sign, point or digit, just as the
// character it decodes to is not.
template <typename Unit>
bool Fixed4::parseUnits(const Unit *p, const Unit *end, Fixed4 &value)
{
    auto code = [](Unit u) -> unsigned { return unsigned(u); };
    auto blank = [&](Unit u) { return code(u) == ' ' || code(u) == '\t'; };
    auto digit = [&](Unit u) { return code(u) >= '0' && code(u) <= '9'; };
    while (p < end && blank(*p))
        ++p;
    while (end > p && blank(end[-1]))
        --end;
    bool negative = false;
    if (p < end && (code(*p) == '-' || code(*p) == '+')) {
        negative = code(*p) == '-';
        ++p;
    }
    qint64 units = 0;
    int intDigits = 0;
    for (; p < end && digit(*p); ++p, ++intDigits) {
        units = units * 10 + (code(*p) - '0');
        if (units >= MaxParsedUnits)
            return false;
    }
    qint64 frac = 0;     // first four fractional digits
    int fracDigits = 0;  // digits seen after the point
    int roundDigit = 0;  // fifth fractional digit decides the rounding
    if (p < end && code(*p) == '.') {
        ++p;
        for (; p < end && digit(*p); ++p, ++fracDigits) {
            const int d = int(code(*p) - '0');
            if (fracDigits < 4)
                frac = frac * 10 + d;
            else if (fracDigits == 4)
                roundDigit = d;
        }
    }
    if (p != end || intDigits + fracDigits == 0)
        return false;
    for (int i = fracDigits; i < 4; ++i)
        frac *= 10;
    qint64 raw = units * Scale + frac + (roundDigit >= 5 ? 1 : 0);
    value = Fixed4(negative ? -raw : raw);
    return true;
}

bool Fixed4::tryParse(const QString &text, Fixed4 &value)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(text.constData());
    return parseUnits(p, p + text.size(), value);
}

bool Fixed4::tryParse(QByteArrayView ascii, Fixed4 &value)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(ascii.data());
    return parseUnits(p, p + ascii.size(), value);
}

Fixed4 Fixed4::parse(const QString &text, int line)
{
    Fixed4 v;
    if (!tryParse(text, v))
        throw ConversionError(text, line, ConversionError::Kind::Decimal);
    return v;
}

int Fixed4::toPixels() const
{
    const qint64 px = m_raw / Scale; // C++ division truncates toward zero
    if (px > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (px < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(px);
}

QString Fixed4::toString() const
{
    const bool negative = m_raw < 0;
    const quint64 mag = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    QString s = QString::number(mag / Scale);
    quint64 frac = mag % Scale;
    if (frac) {
        QString f = QString::number(frac).rightJustified(4, u'0');
        while (f.endsWith(u'0'))
            f.chop(1);
        s += u'.' + f;
    }
    return negative ? u'-' + s : s;
}

Fixed4 Fixed4::operator*(Fixed4 o) const
{
    const __int128 p = __int128(m_raw) * o.m_raw;
    __int128 q = p / Scale;
    const __int128 r = p % Scale; // same sign as p
    const __int128 twice = (r < 0 ? -r : r) * 2;
    if (twice > Scale || (twice == Scale && (q & 1)))
        q += p < 0 ? -1 : 1;
    return Fixed4(saturate(q));
}

Fixed4 Fixed4::operator/(Fixed4 o) const
{
    if (o.m_raw == 0)
        throw TavrelError(QStringLiteral("0 で除算しました。"));
    return Fixed4(saturate(__int128(m_raw) * Scale / o.m_raw));
}

char *toString(const Fixed4 &value)
{
    const QByteArray s = value.toString().toLatin1();
    char *out = new char[size_t(s.size()) + 1];
    std::memcpy(out, s.constData(), size_t(s.size()) + 1);
    return out;
}
