#pragma once
// TFPrintJimeijoCard: the strip print preview. Shows the entries of the
// print list one per page, each in its page format at the preview size,
// pages through them, and starts the print run.

#include "print/sheetpage.h"
#include "windows/print/previewwindow.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <optional>

class SettingsStore;
class PrintCommands;
class QLabel;
class QPushButton;
class QScrollArea;

class TFPrintJimeijoCard : public print::PreviewDialog
{
    Q_OBJECT

public:
    static const QString NoPreviousMessage; // "これより前のページはありません。"
    static const QString NoNextMessage;     // "これより次のページはありません。"

    // The window's place is read from and written to `settings`.
    TFPrintJimeijoCard(SettingsStore &settings, QWidget *parent = nullptr);
    ~TFPrintJimeijoCard() override;

    // Shows the preview modally for the list positions (0-based) of the
    // print list, in page order.
    int execFor(PrintCommands *commands, const QList<int> &printList);
    const QList<int> &printList() const { return m_printList; }
    int currentPage() const { return m_page; }
    const QImage &pageImage() const { return m_image; }
    // Pages of the preview: entries one per form, or sheets of plain paper.
    int pageCount() const;
    // The preview's scale of a sheet: the screen's 96 dots per inch.
    static constexpr int SheetPreviewDpi = 96;


public Q_SLOTS:
    void printClicked();
    void previousClicked();
    void nextClicked();
    // 用紙: one per form or several per sheet; the preview follows.
    void paperClicked();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void syncButtons();
    void drawCurrentPage();
    // Lays the print list out when the choice is sheets (said when it
    // cannot be); the preview starts again at its first page.
    void restart();
    void showImage(const QImage &image);

    PrintCommands *m_commands = nullptr;
    QList<int> m_printList;
    int m_page = 0;
    QImage m_image;
    std::optional<print::SheetRun> m_run;
    QPushButton *m_paperButton = nullptr;
    SettingsStore &m_settings;
};
