#pragma once
// PictureCommands: attaching a picture to the current cell through the
// picture dialog (画像添付) and detaching it (画像添付解除). The register is
// changed through strip::attachPicture and strip::detachPicture.

#include "windows/strip/tfviewimage.h"

#include <QObject>

class ActionCollection;
class CellEditing;
class QAction;
class QWidget;
class RegisterDocument;
class StripDisplay;
class SettingsStore;

class PictureCommands : public QObject
{
    Q_OBJECT

public:
    // Adds the picture commands to `actions`. The picture dialog is made
    // on first use, as a child of window, and kept: it holds its place and
    // the folder last opened. Its settings are read from `settings` here
    // (the picture folder defaults to one beside programFolder).
    PictureCommands(RegisterDocument &document, StripDisplay &display, CellEditing &editing,
                    ActionCollection &actions, SettingsStore &settings, const QString &programFolder,
                    QWidget *window, QObject *parent = nullptr);

    // Writes the picture dialog's settings (its defaults when it was not
    // used), with the main window's other settings.
    void saveSettings(SettingsStore &settings) const;
    // The picture dialog, made on first use.
    TFViewImage &pictureDialog();

public Q_SLOTS:
    void ActionEditPicOnExecute();
    void ActionEditPicOffExecute();

private:
    bool cellsShown() const;

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    CellEditing &m_editing;
    QWidget *m_window;
    QString m_programFolder;
    TFViewImage::Settings m_settings; // until the dialog is made
    TFViewImage *m_dialog = nullptr;
};
