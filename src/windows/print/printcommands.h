#pragma once
// The print commands of the main window: File ▸ Print (strips), File ▸ Print
// list, File ▸ PDF and File ▸ Printer fine adjustment, with the print runs
// behind the two previews and the fine adjustment's test print. One printer
// is kept for the whole run of the program, so that the print dialog offers
// the printer chosen last.

#include "print/sheetpage.h"
#include "print/strippage.h"
#include "register/registerdocument.h"
#include "windows/print/sheetprintdialog.h"

#include <QObject>
#include <memory>

class ActionCollection;
class QAction;
class QPrinter;
class QTreeView;
class QWidget;
class RegisterCommands;
class RegisterDocument;
class StripDisplay;
class SettingsStore;
class TFAdjust;
class TFPrintJimeijoCard;
class TFPrintJimeijoList;

class PrintCommands : public QObject
{
    Q_OBJECT

public:
    static const QString NoPrinterAtStartMessage; // "プリンターがインストールされていません。"
    static const QString NoPrinterAtPrintMessage; // "プリンタがインストールされていません。"
    static const QString PrinterErrorCaption;     // "プリンタエラー"
    static const QString PrinterErrorMessage;     // "プリンタの設定に問題があります。\n…"
    static const QString StripJobTitle;           // "示名条印刷"
    static const QString ListJobTitle;            // "示名条一覧印刷"
    // The folder of the last PDF saved: settings section Dir, this key.
    // A run of more pages than this shows its progress with a cancel button.
    static constexpr int ProgressFromPages = 3;

    // Adds the print commands to `actions`. The PDF folder is read from
    // settings; window parents the messages and the dialogs, which are made
    // when first needed and kept: each holds its settings (the fine
    // adjustment of each printer, the previews' places and zoom) and writes
    // them when it goes. `list` is the register list, whose selection says
    // what is printed.
    PrintCommands(RegisterDocument &document, StripDisplay &display, RegisterCommands &registers,
                  SettingsStore &settings, ActionCollection &actions, QTreeView *list, QWidget *window,
                  QObject *parent = nullptr);
    ~PrintCommands() override;

    void ActionFilePrintExecute();
    void ActionFilePrintListExecute();
    void ActionFileSetupExecute();
    void ActionFilePdfExecute();

    // The dialogs, made on first use.
    TFAdjust &adjustDialog() const;
    TFPrintJimeijoCard &cardDialog();
    TFPrintJimeijoList &listDialog();

    // The settings the commands keep between runs, written at program end.
    void saveSettings(SettingsStore &settings) const;

    RegisterDocument &document();
    // The fine adjustment in force (0, 0 before the dialog was used).
    print::Adjustment adjustment() const;
    QPrinter &printer();
    // The printer printing uses now: the one chosen last, at first the
    // system's default.
    QString printerName() const;

    // The register list rows as the list shows them, read from the document.
    QList<EntryHeader> listRows() const;
    // The selected rows in list order, or the focused row when none is
    // selected; empty when neither.
    QList<int> selectedPositions() const;

    // One strip per form, or several per sheet of plain paper: kept in the
    // settings, changed by the preview's 用紙 button.
    const SheetChoice &sheetChoice() const { return m_sheet; }
    // Asks for a new choice; true when the user confirmed one.
    bool chooseSheet(QWidget *parent);
    // The sheets of the positions (copies included) by the kept choice;
    // nothing, the reason said, when they cannot be laid out.
    std::optional<print::SheetRun> sheetRun(QWidget *parent, const QList<int> &positions, int copies = 1,
                                            bool collate = false);
    // The sheet run behind the preview's 印刷 button in sheet mode: one job.
    void printSheets(QWidget *parent, const QList<int> &positions);

    // The print runs behind the previews' 印刷 buttons. Each reports its
    // failures and ends or aborts any job it opened.
    void printStrips(QWidget *parent, const QList<int> &positions);
    void printList(QWidget *parent);
    // The calibration page on the paper of the shown entry's format (format
    // A when no entry is shown), with the offsets given, through the print
    // dialog and the same job routine as the strips.
    void printCalibration(QWidget *parent, const print::Adjustment &adjustment);
    // The register list pages into a PDF file the user names.
    void saveListPdf(QWidget *parent);

private:
    // The printing commands' common start: false when the register is
    // empty or no printer is installed (said), else the pending edit is
    // committed.
    bool readyToPrint();
    // The print dialog, then printerChosen(); false when the user cancels or
    // names a register as the file to print to (said).
    bool askPrinter(QWidget *parent, QPrinter &pr, int lastPage);
    // After a print dialog: when it picked another printer, that printer's
    // kept adjustment comes into force.
    void printerChosen();
    // The PDF file to write, asked in the folder of the last one and named
    // after the register (`unnamed` for a register without a file); empty
    // when the user cancels.
    QString askPdfFile(QWidget *parent, const QString &unnamed);

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    RegisterCommands &m_registers;
    // The main window's parts this class owns, found by name.
    QTreeView *m_registerList;
    QWidget *m_window;
    SettingsStore &m_settings;
    mutable TFAdjust *m_adjust = nullptr;
    TFPrintJimeijoCard *m_card = nullptr;
    TFPrintJimeijoList *m_list = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QString m_printerInUse;
    QString m_pdfFolder;
    SheetChoice m_sheet;
};
