#pragma once
// Page formats of printed strips: every entry prints in one of four formats,
// chosen from its series caption and strip type, each with its paper and
// orientation, and the size and scales of its preview page.

#include "platform/fixed4.h"

#include <QPageLayout>
#include <QPageSize>
#include <QString>

namespace print {

enum class PageFormat { A, B, C, D };

struct PageFormatInfo
{
    PageFormat format;
    QPageSize::PageSizeId paper;       // QPageSize::A5, A4, Postcard (the Japanese postcard), JisB5
    int paperIdentifier;               // the platform-neutral paper number: A5 11, A4 9, postcard 43, JIS B5 13
    QPageLayout::Orientation orientation;
    Fixed4 pageWidth, pageHeight;      // mm of the page the preview shows
    Fixed4 previewWidth, previewHeight; // preview image, fixed-point pixels
    Fixed4 sx, sy;                     // preview scales, pixels per mm
    int pixelWidth = 0, pixelHeight = 0; // preview image, whole pixels
};

// First substring test that holds: ｕＬ/ｕＲ → A; Ｍｏ → A with "標準Ｍｏ" in
// the type, otherwise B; Ｋ → C; anything else → D.
PageFormat selectPageFormat(const QString &seriesCaption, const QString &stripType);
const PageFormatInfo &pageFormatInfo(PageFormat format);
QChar pageFormatLetter(PageFormat format);

// Device pixels per mm for a resolution: dpi / 25.4 rounded to the nearest
// ten-thousandth (600 dpi gives 23.622).
Fixed4 scaleOfDpi(int dpi);
// A device length (a printable area offset) as fixed point, rounded.
Fixed4 fixedOfReal(double value);

// The paper number the platform names a QPageSize by (0 for none of ours).
int paperIdentifierOf(QPageSize::PageSizeId id);
QPageSize::PageSizeId pageSizeOfIdentifier(int paperIdentifier);

} // namespace print
