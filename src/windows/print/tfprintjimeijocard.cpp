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
    m_paperButton = print::barButton(printButton->parentWidget(), QStringLiteral("用紙..."),
                                     QStringLiteral("用紙|専用用紙か普通紙（複数枚まとめて）かを選びます"), "paperButton", 232);
    connect(m_paperButton, &QPushButton::clicked, this, &TFPrintJimeijoCard::paperClicked);
    resize(800, 600);
    print::restoreWindowPlace(m_settings, this, appsettings::CardPreviewPlace);
}

TFPrintJimeijoCard::~TFPrintJimeijoCard()
{
    print::saveWindowPlace(m_settings, this, appsettings::CardPreviewPlace);
}

int TFPrintJimeijoCard::execFor(PrintCommands *commands, const QList<int> &printList)
{
    m_commands = commands;
    m_printList = printList;
    const int r = exec();
    m_printList.clear();
    m_run.reset();
    return r;
}

int TFPrintJimeijoCard::pageCount() const
{
    if (m_commands && m_commands->sheetChoice().onSheets)
        return m_run ? m_run->layout.sheetCount : 0;
    return int(m_printList.size());
}

void TFPrintJimeijoCard::restart()
{
    m_run.reset();
    if (m_commands && m_commands->sheetChoice().onSheets)
        m_run = m_commands->sheetRun(this, m_printList);
    m_page = 0;
    syncButtons();
    if (!m_commands || !m_commands->sheetChoice().onSheets || m_run) {
        drawCurrentPage();
        return;
    }
    m_image = QImage(); // nothing to show until the choice changes
    pageLabel->clear();
    pageLabel->resize(0, 0);
}

void TFPrintJimeijoCard::paperClicked()
{
    if (m_commands && m_commands->chooseSheet(this))
        restart();
}

void TFPrintJimeijoCard::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    restart();
}

void TFPrintJimeijoCard::syncButtons()
{
    previousButton->setEnabled(m_page >= 1);
    nextButton->setEnabled(m_page < pageCount() - 1);
    printButton->setEnabled(pageCount() > 0);
}

void TFPrintJimeijoCard::drawCurrentPage()
{
    if (!m_commands || m_page < 0 || m_page >= pageCount())
        return;
    if (m_run) {
        // The whole sheet at the screen's scale, the used places greyed.
        const print::BlockSize paper = print::sheetPaperSize(m_run->settings);
        const Fixed4 scale = print::scaleOfDpi(SheetPreviewDpi);
        QImage image((paper.width * scale).toPixels(), (paper.height * scale).toPixels(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            print::drawSheetPage(p, m_commands->document(), *m_run, m_page,
                                 {scale, scale, Fixed4(), Fixed4(), m_commands->adjustment()}, true);
        }
        showImage(image);
        return;
    }
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
    showImage(image);
}

void TFPrintJimeijoCard::showImage(const QImage &image)
{
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
    if (m_page >= pageCount() - 1) {
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
    if (m_commands && m_commands->sheetChoice().onSheets)
        m_commands->printSheets(this, m_printList);
    else if (m_commands)
        m_commands->printStrips(this, m_printList);
}
