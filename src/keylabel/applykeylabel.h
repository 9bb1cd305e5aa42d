#pragma once
// Applying a key label to cells of a strip: the label's face, size and
// colours go to lines 19 to 21 of each cell record and its lines replace the
// cell's text. Bold, italic and alignment (lines 22 to 24) stay; a cell that
// shows a picture is left alone.

#include "keylabel/keylabelset.h"
#include "register/registerdocument.h"

#include <QList>

namespace keylabel {

// Applies the label to the given cells (in the order given) of the entry
// whose header starts at headerLine. Text lines are cut to 20 characters, as
// a cell's text always is. A label the register's input rule refuses (a
// size outside 1 … 999, a control character, a character the register
// cannot hold) throws textrule::RefusedInput naming it, and nothing changes. Returns
// the cells that were changed.
QList<int> applyKeyLabel(RegisterDocument &doc, int headerLine, const QList<int> &cells, const KeyLabel &label);

} // namespace keylabel
