#pragma once
// The frame both print previews share: a 30-pixel top bar with the print,
// previous, next and close buttons, and below it a scrolling area holding
// the page image at (0, 0).

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;

namespace print {

struct PreviewFrame
{
    QPushButton *print = nullptr;
    QPushButton *previous = nullptr;
    QPushButton *next = nullptr;
    QPushButton *close = nullptr;
    QScrollArea *scroll = nullptr;
    QLabel *image = nullptr;
};

// A button of the top bar: 70 x 20 pixels at `left`, 4 from the top; the
// hint is "tool tip|status text".
QPushButton *barButton(QWidget *bar, const QString &caption, const QString &hint, const char *name, int left);

// Builds the frame into `dialog`; the names are the controls' names.
PreviewFrame buildPreviewFrame(QDialog *dialog, const char *printName, const char *previousName,
                               const char *nextName);

} // namespace print
