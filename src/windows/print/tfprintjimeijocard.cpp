#include "windows/print/tfprintjimeijocard.h"

#include "print/pageformat.h"
#include "print/strippage.h"
#include "register/registerdocument.h"
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

const QString TFPrintJimeijoCard::NoPreviousMessage = QStringLiteral("これより前のページはありません。");
const QString TFPrintJimeijoCard::NoNextMessage = QStringLiteral("これより次のページはありません。");

TFPrintJimeijoCard::TFPrintJimeijoCard(SettingsStore &settings, QWidget *parent) : print::PreviewDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("FPrintJimeijoCard"));
    setWindowTitle(QStringLiteral("示名条印刷プレビュー"));
    connect(printButton, &QPushButton::clicked, this, &TFPrintJimeijoCard::printClicked);
    connect(previousButton, &QPushButton::clicked, this, &TFPrintJimeijoCard::previousClicked);
    connect(nextButton, &QPushButton::clicked, this, &TFPrintJimeijoCard::nextClicked);
    resize(800, 600);
    print::restoreWindowPlace(m_settings, this, QStringLiteral("Card"), 800, 600);
}

TFPrintJimeijoCard::~TFPrintJimeijoCard()
{
    print::saveWindowPlace(m_settings, this, QStringLiteral("Card"));
}

int TFPrintJimeijoCard::execFor(PrintCommands *commands, const QList<int> &printList)
{
    m_commands = commands;
    m_printList = printList;
    const int r = exec();
    m_printList.clear();
    return r;
}

void TFPrintJimeijoCard::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    m_page = 0;
    syncButtons();
    drawCurrentPage();
}

void TFPrintJimeijoCard::syncButtons()
{
    previousButton->setEnabled(m_page >= 1);
    nextButton->setEnabled(m_page < m_printList.size() - 1);
}

void TFPrintJimeijoCard::drawCurrentPage()
{
    if (!m_commands || m_page < 0 || m_page >= m_printList.size())
        return;
    const RegisterDocument &doc = m_commands->document();
    const int entry = m_printList.at(m_page) + 1;
    const int marker = doc.findEntry(entry);
    if (marker < 0)
        return; // the page image stays as it was
    const EntryHeader h = doc.headerAt(marker + 1);
    const print::PageFormatInfo &fmt = print::pageFormatInfo(print::selectPageFormat(h.seriesCaption, h.stripType));
    QImage image(fmt.pixelWidth, fmt.pixelHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        print::drawStripPage(p, doc, entry, {fmt.sx, fmt.sy, Fixed4(), Fixed4(), m_commands->adjustment()});
    }
    m_image = image;
    pageScroll->horizontalScrollBar()->setValue(0);
    pageScroll->verticalScrollBar()->setValue(0);
    pageLabel->setPixmap(QPixmap::fromImage(m_image));
    pageLabel->resize(m_image.size());
}

void TFPrintJimeijoCard::previousClicked()
{
    if (m_page <= 0) {
        UserDialogs::current().warning(this, NoPreviousMessage);
        return;
    }
    --m_page;
    syncButtons();
    drawCurrentPage();
}

void TFPrintJimeijoCard::nextClicked()
{
    if (m_page >= m_printList.size() - 1) {
        UserDialogs::current().warning(this, NoNextMessage);
        return;
    }
    ++m_page;
    syncButtons();
    drawCurrentPage();
}

void TFPrintJimeijoCard::printClicked()
{
    if (!printers::installed()) {
        UserDialogs::current().error(this, PrintCommands::NoPrinterAtPrintMessage);
        return;
    }
    if (m_commands)
        m_commands->printStrips(this, m_printList);
}
