#pragma once
// Snapping for the template designer: a pure function of the positions, so
// that a drag, an arrow key and a test all get the same answer. Positions
// are sheet millimetres.

#include "platform/fixed4.h"
#include "register/geometry.h"

#include <QList>
#include <utility>

namespace tpl {

struct SnapOptions
{
    bool grid = true;  // to multiples of gridStep
    bool edges = true; // to the left/right and top/bottom edges of other boxes
    Fixed4 gridStep = Fixed4::fromRaw(5000);   // 0.5 mm
    Fixed4 tolerance = Fixed4::fromRaw(10000); // how far an edge is pulled, 1 mm
};

// The nearest target to `value` within the tolerance: another box's edge
// (targets) or the grid; `value` itself when none is near or snapping is off.
// An edge wins over the grid at equal distance.
Fixed4 snapValue(Fixed4 value, const QList<Fixed4> &targets, const SnapOptions &options);

// A move of the box `moving` by (dx, dy): on each axis the move is adjusted
// so that the box's nearer edge (left or right, top or bottom) lands on a
// target, choosing the smaller adjustment. `others` are the boxes it may
// snap to.
std::pair<Fixed4, Fixed4> snapMove(const strip::MmRect &moving, Fixed4 dx, Fixed4 dy,
                                   const QList<strip::MmRect> &others, const SnapOptions &options);

} // namespace tpl
