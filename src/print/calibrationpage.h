#pragma once
// The calibration page: what a test print puts on the paper of a page format
// so that the user can read the printer's shift with a ruler instead of
// spending label stock on trial and error. Millimetre rulers run along the
// top and left edges; crosshairs stand 20 mm in from each corner with their
// nominal coordinates beside them; one line says how to read the shift.
// Everything is placed like the strip page: (mm + adjustment) * scale -
// origin offset, truncated to whole device pixels.

#include "print/pageformat.h"
#include "print/sheetlayout.h"
#include "print/strippage.h"

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>

class QPainter;

namespace print {

// The paper of a format in whole mm, as it lies in its orientation:
// A 148 x 210, B 210 x 297, C 148 x 100, D 182 x 257.
QSize paperSizeMm(PageFormat format);
// Distance of every crosshair from the two nearest edges, in mm.
constexpr int CrossInset = 20;
// Nominal centres of the four crosshairs in mm from the paper's top-left
// corner: top left, top right, bottom left, bottom right.
QList<QPoint> calibrationCrosses(PageFormat format);
// The one-line instruction on reading the shift.
extern const QString CalibrationInstruction;
// The line stating the format, its paper and the offsets printed with.
QString calibrationCaption(PageFormat format, const Adjustment &adjustment);

void drawCalibrationPage(QPainter &painter, PageFormat format, const PagePlacement &placement);

// Sheet printing's calibration page: the same rulers, and the crosshairs at
// the four corners of the printable area (the paper less its margins), with
// their nominal coordinates.
QList<QPointF> sheetCalibrationCrosses(const SheetSettings &settings);
void drawSheetCalibrationPage(QPainter &painter, const SheetSettings &settings, const PagePlacement &placement);

} // namespace print
