#include "print/pageformat.h"

#include <cmath>

namespace print {

namespace {

Fixed4 fx(qint64 raw) { return Fixed4::fromRaw(raw); }

// The preview scales are the rounded quotients of the preview size by the
// page area: 559.4 / 148, 793.4 / 210, 378 / 100, 688 / 182, 971 / 257.
const PageFormatInfo Formats[4] = {
    {PageFormat::A, QPageSize::A5, 11, QPageLayout::Portrait, Fixed4::fromInt(148), Fixed4::fromInt(210),
     fx(5594000), fx(7934000), fx(37797), fx(37781), 559, 793},
    {PageFormat::B, QPageSize::A4, 9, QPageLayout::Portrait, Fixed4::fromInt(210), Fixed4::fromInt(148),
     fx(7934000), fx(5594000), fx(37781), fx(37797), 793, 559},
    {PageFormat::C, QPageSize::Postcard, 43, QPageLayout::Landscape, Fixed4::fromInt(148), Fixed4::fromInt(100),
     fx(5594000), fx(3780000), fx(37797), fx(37800), 559, 378},
    {PageFormat::D, QPageSize::JisB5, 13, QPageLayout::Portrait, Fixed4::fromInt(182), Fixed4::fromInt(257),
     fx(6880000), fx(9710000), fx(37802), fx(37782), 688, 971},
};

} // namespace

PageFormat selectPageFormat(const QString &s, const QString &t)
{
    if (s.contains(QStringLiteral("ｕＬシリーズ")) || s.contains(QStringLiteral("ｕＲシリーズ")))
        return PageFormat::A;
    if (s.contains(QStringLiteral("Ｍｏシリーズ")))
        return t.contains(QStringLiteral("標準Ｍｏ")) ? PageFormat::A : PageFormat::B;
    if (s.contains(QStringLiteral("Ｋシリーズ")))
        return PageFormat::C;
    return PageFormat::D;
}

const PageFormatInfo &pageFormatInfo(PageFormat format)
{
    return Formats[int(format)];
}

QChar pageFormatLetter(PageFormat format)
{
    return QChar(u'A' + int(format));
}

Fixed4 scaleOfDpi(int dpi)
{
    // dpi * 10000 / 25.4 = dpi * 100000 / 254, rounded half away from zero.
    const qint64 num = qint64(dpi) * 100000;
    const qint64 q = (2 * num + (num >= 0 ? 254 : -254)) / 508;
    return Fixed4::fromRaw(q);
}

Fixed4 fixedOfReal(double value)
{
    return Fixed4::fromRaw(std::llround(value * Fixed4::Scale));
}

int paperIdentifierOf(QPageSize::PageSizeId id)
{
    for (const PageFormatInfo &f : Formats)
        if (f.paper == id)
            return f.paperIdentifier;
    return 0;
}

QPageSize::PageSizeId pageSizeOfIdentifier(int paperIdentifier)
{
    for (const PageFormatInfo &f : Formats)
        if (f.paperIdentifier == paperIdentifier)
            return f.paper;
    return QPageSize::Custom;
}

} // namespace print
