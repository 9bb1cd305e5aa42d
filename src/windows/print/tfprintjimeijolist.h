#pragma once
// TFPrintJimeijoList: the register list print preview. Shows one page of the
// table at a time on a 1400 x 900 image, prints all pages, or a range, as
// one print job, and saves all pages as a PDF file.

#include "print/listpage.h"

#include "windows/print/previewwindow.h"

#include <QDialog>
#include <QImage>

class SettingsStore;
class PrintCommands;
class QLabel;
class QPushButton;
class QScrollArea;

class TFPrintJimeijoList : public print::PreviewDialog
{
    Q_OBJECT

public:
    static constexpr int ImageWidth = 1400;
    static constexpr int ImageHeight = 900;

    // The window's place is read from and written to `settings`.
    TFPrintJimeijoList(SettingsStore &settings, QWidget *parent = nullptr);
    ~TFPrintJimeijoList() override;

    int execFor(PrintCommands *commands);
    int currentPage() const { return m_page; }
    int pageCount() const { return print::listPageCount(int(m_table.size())); }
    const QList<print::ListRow> &rowTable() const { return m_table; }
    const QImage &pageImage() const { return m_image; }
    QDateTime drawnAt() const { return m_drawnAt; }

public Q_SLOTS:
    void printClicked();
    void previousClicked();
    void nextClicked();
    void pdfClicked();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void drawCurrentPage();

    PrintCommands *m_commands = nullptr;
    QList<print::ListRow> m_table;
    int m_page = 1;
    QImage m_image;
    QDateTime m_drawnAt;
    SettingsStore &m_settings;

    // The widgets, named after these fields (tests find them by name).
    QPushButton *pdfButton = nullptr;
};
