#include "print/tfprintjimeijolist.h"

#include "platform/printers.h"
#include "platform/userdialogs.h"
#include "print/previewwindow.h"
#include "print/printcommands.h"
#include "print/windowplace.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>

TFPrintJimeijoList::TFPrintJimeijoList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FPrintJimeijoList"));
    setWindowTitle(QStringLiteral("示名条一覧印刷プレビュー"));
    const print::PreviewFrame f = print::buildPreviewFrame(this, "ButtonPrt1", "ButtonPrt2", "ButtonPrt3");
    ButtonPrt1 = f.print;
    ButtonPrt2 = f.previous;
    ButtonPrt3 = f.next;
    ButtonClose = f.close;
    ScrollBox1 = f.scroll;
    Image1 = f.image;
    connect(ButtonPrt1, &QPushButton::clicked, this, &TFPrintJimeijoList::ButtonPrt1Click);
    connect(ButtonPrt2, &QPushButton::clicked, this, &TFPrintJimeijoList::ButtonPrt2Click);
    connect(ButtonPrt3, &QPushButton::clicked, this, &TFPrintJimeijoList::ButtonPrt3Click);
    ButtonPdf = print::barButton(ButtonPrt1->parentWidget(), QStringLiteral("PDF"),
                                 QStringLiteral("PDF|示名条一覧をPDFファイルに保存します"), "ButtonPdf", 232);
    connect(ButtonPdf, &QPushButton::clicked, this, &TFPrintJimeijoList::ButtonPdfClick);
    resize(1000, 600);
    print::restoreWindowPlace(this, QStringLiteral("List"), 1000, 600);
}

TFPrintJimeijoList::~TFPrintJimeijoList()
{
    print::saveWindowPlace(this, QStringLiteral("List"));
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
    ButtonPrt2->setEnabled(false);
    ButtonPrt3->setEnabled(pageCount() > 1);
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
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    Image1->setPixmap(QPixmap::fromImage(m_image));
    Image1->resize(m_image.size());
}

void TFPrintJimeijoList::ButtonPrt2Click()
{
    if (m_page < 2)
        return;
    --m_page;
    drawCurrentPage();
    ButtonPrt3->setEnabled(true);
    ButtonPrt2->setEnabled(m_page > 1);
}

void TFPrintJimeijoList::ButtonPrt3Click()
{
    if (m_page >= pageCount())
        return;
    ++m_page;
    drawCurrentPage();
    ButtonPrt2->setEnabled(true);
    ButtonPrt3->setEnabled(m_page < pageCount());
}

void TFPrintJimeijoList::ButtonPrt1Click()
{
    if (!printers::installed()) {
        UserDialogs::current().error(this, PrintCommands::NoPrinterAtPrintMessage);
        return;
    }
    if (m_commands)
        m_commands->printList(this);
}

void TFPrintJimeijoList::ButtonPdfClick()
{
    if (m_commands)
        m_commands->saveListPdf(this);
}
