#pragma once
// What a screen reader reads of a painted strip sheet. A sheet draws its
// cells itself (no widget per cell), so its accessible interface lists
// them: each cell is a list item named by its key number and text, with
// its frame's place on the screen, selectable, and selected or focused as
// the display's selection says. The display announces the current cell
// (focus) and every change of the selection; the in-place editor follows
// the cells as a child widget of the detail sheet.

#include "strip/stripimage.h"

#include <QAccessibleWidget>

class StripDisplay;
class StripSheet;

namespace stripaccessible {

// Makes the interfaces of strip sheets known to Qt's accessibility, once.
void install();

// Announces that cell `cell` of the sheet became current (the focus, when
// the sheet has it) or that these cells were selected or deselected.
void announceCurrent(StripSheet *sheet, int cell);
void announceSelection(StripSheet *sheet, const QList<int> &cells);
// The sheet's cells were built anew.
void announceRebuilt(StripSheet *sheet);

} // namespace stripaccessible
