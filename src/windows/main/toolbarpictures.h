#pragma once
// The 19 toolbar pictures, 16 × 16 pixels on a transparent background,
// drawn with pixel-aligned QPainter primitives so that they stay crisp.

#include <QImage>

namespace toolbarpictures {

constexpr int Count = 19;

enum Index {
    New = 0,
    Open = 1,
    Save = 2,
    Print = 3,
    JimeijoNew = 4,
    JimeijoDelete = 5,
    ListJimeijo = 6,
    Color = 7,
    Bold = 8,
    Italic = 9,
    Left = 10,
    Center = 11,
    Right = 12,
    KeyLabel = 13,
    ShowAll = 14,
    ShowDetail = 15,
    BColor = 16,
    Undo = 17,
    Redo = 18,
};

// Picture of the index (0 to 18); a null image outside that range.
QImage picture(int index);

} // namespace toolbarpictures
