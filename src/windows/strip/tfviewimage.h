#pragma once
// TFViewImage: the picture dialog ("画像取込み"). It shows a cell's picture,
// loads a BMP or JPEG file through the picture-file chooser, clears the
// picture, and refuses on OK a file larger than the size limit. The dialog
// keeps the chosen file's own bytes for storing; its folder, size limit and
// position live for the whole run and are written back at the end.

#include "strip/cellpicture.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;

class TFViewImage : public QDialog
{
    Q_OBJECT

public:
    struct Settings
    {
        qint64 pictureFileSizeMax = strip::DefaultPictureFileSizeMax; // PictureFileSizeMax
        QString openPicture;                                          // OpenPicture: the chooser's folder
        int left = 100;                                               // ViewImageLeft
        int top = 100;                                                // ViewImageTop
    };

    // What an accepted showing leaves: the picture as it was, no picture,
    // or the file loaded in this showing.
    enum class Outcome { Unchanged, Cleared, Loaded };

    TFViewImage(QWidget *parent, const Settings &settings);

    // The values to write back at program end (the position as it is now).
    Settings settings() const;

    // Shows the dialog on a copy of the picture (null for none); true when
    // accepted, with outcome() and file() telling what to store.
    bool editPicture(const QImage &picture);
    Outcome outcome() const { return m_outcome; }
    const strip::PictureFile &file() const { return m_file; }
    qint64 fileSize() const { return m_outcome == Outcome::Loaded ? m_file.size() : -1; }

public Q_SLOTS:
    void ButtonLoadClick();
    void ButtonClearClick();
    void ButtonOKClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showPicture(const QImage &picture);

    Settings m_settings;
    Outcome m_outcome = Outcome::Unchanged;
    strip::PictureFile m_file;

    // The widgets, named after these fields (tests find them by name).
    QScrollArea *pictureScroll = nullptr;
    QLabel *pictureLabel = nullptr;
    QPushButton *ButtonLoad = nullptr;
    QPushButton *ButtonClear = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;
};
