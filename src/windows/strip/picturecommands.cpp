#include "windows/strip/picturecommands.h"

#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/cellpicture.h"
#include "strip/cellrenderer.h"
#include "windows/common/actioncollection.h"
#include "windows/common/appsettings.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/stripdisplay.h"
#include "windows/strip/tfviewimage.h"

PictureCommands::PictureCommands(RegisterDocument &document, StripDisplay &display, CellEditing &editing,
                                 ActionCollection &actions, SettingsStore &settings, const QString &programFolder,
                                 QWidget *window, QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_editing(editing), m_window(window),
      m_programFolder(programFolder)
{
    m_settings.pictureFileSizeMax = appsettings::read(settings, appsettings::PictureFileSizeMax);
    m_settings.openPicture = appsettings::read(settings, appsettings::pictureFolder(programFolder));
    m_settings.left = appsettings::read(settings, appsettings::PicturePlace.left);
    m_settings.top = appsettings::read(settings, appsettings::PicturePlace.top);
    struct Command
    {
        const char *name;
        const char *text;
        void (PictureCommands::*handler)();
        StripDisplay::CellCommand state;
    };
    const Command commands[] = {
        {"ActionEditPicOn", "画像添付(&G)...", &PictureCommands::ActionEditPicOnExecute, StripDisplay::EditPicOn},
        {"ActionEditPicOff", "画像添付解除(&R)", &PictureCommands::ActionEditPicOffExecute, StripDisplay::EditPicOff},
        {"PopupPicOn", "画像添付(&G)", &PictureCommands::ActionEditPicOnExecute, StripDisplay::PopupPicOn},
        {"PopupPicOff", "画像添付解除(&R)", &PictureCommands::ActionEditPicOffExecute, StripDisplay::PopupPicOff}};
    for (const Command &c : commands)
        m_display.followCellCommand(actions.add(c.name, QString::fromUtf8(c.text), this, c.handler), c.state);
    // A double-click on a cell's picture attaches to the current cell.
    connect(&m_display, &StripDisplay::attachPictureRequested, this, &PictureCommands::ActionEditPicOnExecute);
}

void PictureCommands::saveSettings(SettingsStore &settings) const
{
    // The size limit is written too, so that its default is in the file.
    const TFViewImage::Settings v = m_dialog ? m_dialog->settings() : m_settings;
    appsettings::write(settings, appsettings::PicturePlace.left, v.left);
    appsettings::write(settings, appsettings::PicturePlace.top, v.top);
    appsettings::write(settings, appsettings::PictureFileSizeMax, int(v.pictureFileSizeMax));
    appsettings::write(settings, appsettings::pictureFolder(m_programFolder), v.openPicture);
}

TFViewImage &PictureCommands::pictureDialog()
{
    if (!m_dialog)
        m_dialog = new TFViewImage(m_window, m_settings);
    return *m_dialog;
}

bool PictureCommands::cellsShown() const
{
    return m_display.cellCount() > 0 && m_display.detailActive() && m_display.shownHeaderLine() > 0;
}

void PictureCommands::ActionEditPicOnExecute()
{
    if (!cellsShown())
        return;
    pictureDialog();
    m_editing.commitEdit();
    const int h = m_display.shownHeaderLine();
    const int cell = m_display.commandCell();
    if (cell < 0)
        return;
    const int b = strip::locateCell(m_doc.lines(), h, cell);
    const QImage current = strip::cellHasPicture(m_doc.lines(), b) ? strip::cellPicture(m_doc.lines(), b) : QImage();
    if (!m_dialog->editPicture(current))
        return;
    // Confirming without loading or clearing keeps the cell as it was.
    if (m_dialog->outcome() == TFViewImage::Outcome::Unchanged)
        return;
    const bool loaded = m_dialog->outcome() == TFViewImage::Outcome::Loaded;
    const QList<int> selected = m_display.selectedCells();
    strip::attachPicture(m_doc, h, cell, selected, loaded ? m_dialog->file().type : QString(),
                         loaded ? m_dialog->file().bytes : QByteArray());
}

void PictureCommands::ActionEditPicOffExecute()
{
    const int cell = m_display.commandCell();
    if (!cellsShown() || cell < 0)
        return;
    strip::detachPicture(m_doc, m_display.shownHeaderLine(), cell);
}
