#include "windows/print/tfprintjimeijolist.h"

#include "windows/common/userdialogs.h"
#include "windows/print/previewwindow.h"
#include "windows/print/printcommands.h"
#include "windows/print/printers.h"
#include "windows/print/windowplace.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>

TFPrintJimeijoList::TFPrintJimeijoList(SettingsStore &settings, QWidget *parent) : print::PreviewDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("FPrintJimeijoList"));
    setWindowTitle(QStringLiteral("示名条一覧印刷プレビュー"));
    connect(printButton, &QPushButton::clicked, this, &TFPrintJimeijoList::printClicked);
    connect(previousButton, &QPushButton::clicked, this, &TFPrintJimeijoList::previousClicked);
    connect(nextButton, &QPushButton::clicked, this, &TFPrintJimeijoList::nextClicked);
    pdfButton = print::barButton(printButton->parentWidget(), QStringLiteral("PDF"),
                                 QStringLiteral("PDF|示名条一覧をPDFファイルに保存します"), "pdfButton", 232);
    connect(pdfButton, &QPushButton::clicked, this, &TFPrintJimeijoList::pdfClicked);
    resize(1000, 600);
    print::restoreWindowPlace(m_settings, this, appsettings::ListPreviewPlace);
}

TFPrintJimeijoList::~TFPrintJimeijoList()
{
    print::saveWindowPlace(m_settings, this, appsettings::ListPreviewPlace);
}

int TFPrintJimeijoList::execFor(PrintCommands *commands)
{
    m_commands = commands;
    return exec();
}

void TFPrintJimeijoList::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (e->spontaneous() || !m_commands)
        return;
    m_table = print::listRowTable(m_commands->listRows());
    m_page = 1;
    previousButton->setEnabled(false);
    nextButton->setEnabled(pageCount() > 1);
    drawCurrentPage();
}

void TFPrintJimeijoList::drawCurrentPage()
{
    m_image = QImage(ImageWidth, ImageHeight, QImage::Format_RGB32);
    m_image.fill(Qt::white);
    m_drawnAt = QDateTime::currentDateTime();
    {
        QPainter p(&m_image);
        print::drawListPage(p, m_table, m_page, m_drawnAt);
    }
    pageScroll->horizontalScrollBar()->setValue(0);
    pageScroll->verticalScrollBar()->setValue(0);
    pageLabel->setPixmap(QPixmap::fromImage(m_image));
    pageLabel->resize(m_image.size());
}

void TFPrintJimeijoList::previousClicked()
{
    if (m_page < 2)
        return;
    --m_page;
    drawCurrentPage();
    nextButton->setEnabled(true);
    previousButton->setEnabled(m_page > 1);
}

void TFPrintJimeijoList::nextClicked()
{
    if (m_page >= pageCount())
        return;
    ++m_page;
    drawCurrentPage();
    previousButton->setEnabled(true);
    nextButton->setEnabled(m_page < pageCount());
}

void TFPrintJimeijoList::printClicked()
{
    if (!printers::installed()) {
        UserDialogs::current().error(this, PrintCommands::NoPrinterAtPrintMessage);
        return;
    }
    if (m_commands)
        m_commands->printList(this);
}

void TFPrintJimeijoList::pdfClicked()
{
    if (m_commands)
        m_commands->saveListPdf(this);
}
