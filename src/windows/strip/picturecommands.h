#pragma once
// PictureCommands: attaching a picture to the current cell through the
// picture dialog (画像添付) and detaching it (画像添付解除). The register is
// changed through strip::attachPicture and strip::detachPicture.

#include <QObject>

class CellEditing;
class QAction;
class QWidget;
class RegisterDocument;
class StripDisplay;
class TFViewImage;

class PictureCommands : public QObject
{
    Q_OBJECT

public:
    // window is the main window, whose picture commands (found by name)
    // this class connects.
    PictureCommands(RegisterDocument &document, StripDisplay &display, CellEditing &editing, QWidget *window,
                    QObject *parent = nullptr);

    // The picture dialog, created after the main window (FViewImage).
    void setDialog(TFViewImage *dialog) { m_dialog = dialog; }

public Q_SLOTS:
    void ActionEditPicOnExecute();
    void ActionEditPicOffExecute();

private:
    bool cellsShown() const;

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    CellEditing &m_editing;
    TFViewImage *m_dialog = nullptr;
};
