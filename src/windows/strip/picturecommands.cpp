#include "windows/strip/picturecommands.h"

#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/cellpicture.h"
#include "strip/cellrenderer.h"
#include "windows/common/commandconnect.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/stripdisplay.h"
#include "windows/strip/tfviewimage.h"

PictureCommands::PictureCommands(RegisterDocument &document, StripDisplay &display, CellEditing &editing,
                                 QWidget *window, QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_editing(editing)
{
    const std::pair<const char *, void (PictureCommands::*)()> commands[] = {
        {"ActionEditPicOn", &PictureCommands::ActionEditPicOnExecute},
        {"PopupPicOn", &PictureCommands::ActionEditPicOnExecute},
        {"ActionEditPicOff", &PictureCommands::ActionEditPicOffExecute},
        {"PopupPicOff", &PictureCommands::ActionEditPicOffExecute}};
    for (const auto &[name, handler] : commands)
        command::connectCommand(command::part(window, name), this, handler);
    // A double-click on a cell's picture attaches to the current cell.
    connect(&m_display, &StripDisplay::attachPictureRequested, this, &PictureCommands::ActionEditPicOnExecute);
}

bool PictureCommands::cellsShown() const
{
    return m_display.cellCount() > 0 && m_display.detailActive() && m_display.shownHeaderLine() > 0;
}

void PictureCommands::ActionEditPicOnExecute()
{
    if (!m_dialog || !cellsShown())
        return;
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
