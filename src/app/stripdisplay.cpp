#include "app/stripdisplay.h"

#include "register/registerdocument.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

StripDisplay::CellCommands StripDisplay::allCellCommands()
{
    return CellCommands(0xFFFF);
}

StripDisplay::CellCommands StripDisplay::textCellCommands()
{
    return allCellCommands() & ~CellCommands(EditPicOff | PopupPicOff);
}

StripDisplay::CellCommands StripDisplay::pictureCellCommands()
{
    return CellCommands(EditPicOff | PopupPicOff);
}

StripDisplay::CellCommands StripDisplay::selectionCellCommands()
{
    return CellCommands(EditSelReset | EditDelete | EditFind | EditReplace | PopupDelete);
}

StripDisplay::StripDisplay(RegisterDocument &document, const Widgets &widgets, QObject *parent)
    : QObject(parent), m_doc(document), m_w(widgets)
{
}

StripDisplay::~StripDisplay() = default;

bool StripDisplay::isSelected(int cell) const
{
    return cell >= 0 && cell < MaxCells && m_selected[size_t(cell)] > 0;
}

int StripDisplay::selectedCount() const
{
    int n = 0;
    for (int i = 0; i < m_cellCount; ++i)
        n += m_selected[size_t(i)] > 0;
    return n;
}

QString StripDisplay::captionText() const
{
    return m_w.caption->text();
}

void StripDisplay::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    Q_EMIT modeChanged(mode);
}

void StripDisplay::setCellCommands(CellCommands commands)
{
    if (m_commands == commands)
        return;
    m_commands = commands;
    Q_EMIT cellCommandsChanged(commands);
}

QScrollArea *StripDisplay::activeArea() const
{
    return m_mode == Mode::Detail ? m_w.detail : m_w.overview;
}

void StripDisplay::clear()
{
    m_w.area->setUpdatesEnabled(false);
    m_selected.fill(0);
    setCellCommands(NoCellCommands);
    m_w.detailSheet->setPixmap(QPixmap());
    m_w.detailSheet->resize(0, 0);
    m_w.overviewSheet->setPixmap(QPixmap());
    m_w.overviewSheet->resize(0, 0);
    m_cellCount = 0;
    m_currentCell = 0;
    m_doc.setCurrentEntryNumber(0);
    m_toolbarInUse = false;
    m_w.caption->clear();
    m_w.area->setUpdatesEnabled(true);
}

void StripDisplay::showEntry()
{
    clear();
    // The sheet and the cells are built by the strip walk; an entry whose
    // sections hold no cells shows its caption line alone.
    finish();
}

void StripDisplay::refreshCaption()
{
    const int h = m_doc.currentHeaderLine();
    if (h < 1 || h + 5 >= m_doc.lineCount())
        return;
    m_w.caption->setText(QStringLiteral("内線：") + m_doc.line(h) + QStringLiteral(" 電話機のタイプ：")
                         + m_doc.line(h + 5) + QStringLiteral(" 使用者名：") + m_doc.line(h + 2));
}

void StripDisplay::finish()
{
    refreshCaption();
    if (m_cellCount > 0) {
        m_currentCell = 0;
        if (m_mode == Mode::Detail) {
            m_w.overview->hide();
            m_w.detail->show();
            positionScrolling(3, 0);
            setCellCommands(allCellCommands());
        } else {
            m_w.detail->hide();
            m_w.overview->show();
            positionScrolling(3, 0);
        }
    } else {
        m_w.detail->hide();
        m_w.overview->hide();
    }
    m_w.area->show();
}

void StripDisplay::commitPendingEdit()
{
    if (m_cellCount == 0 || m_mode != Mode::Detail)
        return;
    // Moving the focus away ends an in-place edit; the focus events run at
    // once, so processing the posted events replaces the platform's pause.
    m_w.area->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

void StripDisplay::showDetail()
{
    if (m_mode == Mode::Detail)
        return;
    setMode(Mode::Detail);
    if (m_cellCount > 0) {
        m_w.overview->hide();
        m_w.detail->show();
        setCellCommands(allCellCommands());
        m_selected.fill(0);
        m_currentCell = 0;
        positionScrolling(3, 0);
        m_w.area->setFocus(Qt::OtherFocusReason);
    }
}

void StripDisplay::showOverview()
{
    m_w.area->setFocus(Qt::OtherFocusReason);
    if (m_mode == Mode::Overview)
        return;
    setMode(Mode::Overview);
    if (m_cellCount > 0) {
        commitPendingEdit();
        m_w.detail->hide();
        m_w.overview->show();
        setCellCommands(NoCellCommands);
        positionScrolling(3, 0);
    }
}

void StripDisplay::positionScrolling(int kind, int cell)
{
    QScrollArea *area = activeArea();
    if (!area || !area->isVisible())
        return;
    QWidget *content = area->widget();
    if (!content)
        return;
    if (kind == 1 || kind == 3) {
        const int x = (content->width() - area->viewport()->width()) / 2;
        area->horizontalScrollBar()->setValue(std::max(0, x));
    }
    if (kind == 2 || kind == 3) {
        // Half the content height; the scroll bar limits it to its maximum.
        area->verticalScrollBar()->setValue(cell < m_cellCount / 2 ? 0 : content->height() / 2);
    }
}
