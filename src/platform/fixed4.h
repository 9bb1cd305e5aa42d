#pragma once
// Four-place fixed point: every strip length, position and scale is a signed
// 64-bit count of ten-thousandths. Sums are exact, products are rounded to the
// nearest ten-thousandth with ties to even, quotients are truncated toward
// zero, and conversion to whole pixels truncates toward zero. The geometry of
// the views depends on exactly these roundings, so floating point is never
// used for it.

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <compare>

class Fixed4
{
public:
    static constexpr qint64 Scale = 10000;
    // Largest magnitude that text may give (in whole units); anything larger
    // is no strip geometry and is refused as a malformed number.
    static constexpr qint64 MaxParsedUnits = 1000000000;

    constexpr Fixed4() = default;
    static constexpr Fixed4 fromRaw(qint64 raw) { return Fixed4(raw); }
    static constexpr Fixed4 fromInt(qint64 units) { return Fixed4(units * Scale); }

    // Decimal text with "." as separator (optional blanks around it, optional
    // sign, ".5" and "5." accepted), rounded to the nearest ten-thousandth,
    // halves away from zero. tryParse returns false for anything else.
    static bool tryParse(const QString &text, Fixed4 &value);
    // The same over the bytes of a line in an ASCII-compatible encoding
    // (CP932, UTF-8): the same answer as for the text they decode to.
    static bool tryParse(QByteArrayView ascii, Fixed4 &value);
    // Throws ConversionError naming `line` (0-based, -1 unknown).
    static Fixed4 parse(const QString &text, int line = -1);

    constexpr qint64 raw() const { return m_raw; }
    // Whole pixels, truncated toward zero, limited to the int range.
    int toPixels() const;
    // Shortest decimal form: "43.952", "-0.5", "12".
    QString toString() const;

    constexpr Fixed4 operator+(Fixed4 o) const { return Fixed4(m_raw + o.m_raw); }
    constexpr Fixed4 operator-(Fixed4 o) const { return Fixed4(m_raw - o.m_raw); }
    constexpr Fixed4 operator-() const { return Fixed4(-m_raw); }
    Fixed4 &operator+=(Fixed4 o) { m_raw += o.m_raw; return *this; }
    Fixed4 &operator-=(Fixed4 o) { m_raw -= o.m_raw; return *this; }
    // Product rounded half to even at the fourth fractional digit.
    Fixed4 operator*(Fixed4 o) const;
    // Quotient truncated toward zero at the fourth fractional digit; a zero
    // divisor throws TavrelError.
    Fixed4 operator/(Fixed4 o) const;

    constexpr bool operator==(const Fixed4 &) const = default;
    constexpr auto operator<=>(const Fixed4 &) const = default;

private:
    template <typename Unit>
    static bool parseUnits(const Unit *p, const Unit *end, Fixed4 &value);
    constexpr explicit Fixed4(qint64 raw) : m_raw(raw) {}
    qint64 m_raw = 0;
};

// For QCOMPARE output.
char *toString(const Fixed4 &value);
