#pragma once
// The frame both print previews share: a 30-pixel top bar with the print,
// previous, next and close buttons, and below it a scrolling area holding
// the page image at (0, 0).

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;

namespace print {

// A button of the top bar: 70 x 20 pixels at `left`, 4 from the top; the
// hint is "tool tip|status text".
QPushButton *barButton(QWidget *bar, const QString &caption, const QString &hint, const char *name, int left);

// A print preview: the frame built, its controls named as these fields;
// the close button rejects the dialog.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreviewDialog(QWidget *parent = nullptr);


protected:
    // The widgets, named after these fields (tests find them by name); the
    // two previews fill them.
    QPushButton *printButton = nullptr;
    QPushButton *previousButton = nullptr;
    QPushButton *nextButton = nullptr;
    QPushButton *closeButton = nullptr;
    QScrollArea *pageScroll = nullptr;
    QLabel *pageLabel = nullptr;
};

} // namespace print
