#pragma once
// Message boxes and file dialogs go through this interface so that tests can
// answer them without a display. The program installs nothing and gets the
// Qt implementation; a test installs a ScriptedUserDialogs.

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

class UserDialogs
{
public:
    enum class Answer { Yes, No, Cancel };
    enum class Buttons { YesNo, YesNoCancel };

    struct FileRequest
    {
        QString title;
        QString filter;        // Qt form: "description(*.ext)"
        QString defaultSuffix; // without the dot
        QString folder = {};   // initial folder; empty for the dialog's own
        bool writable = true;  // the file must be writable (a register is written back)
        QString fileName = {}; // the name a save dialog suggests, without a folder
        bool confirmReplace = true; // a save dialog asks before naming a file that exists
    };

    // What the font chooser shows and returns.
    struct FontChoice
    {
        QString face;
        int pointSize = 10;
        int colour = 0; // stored colour value, red in the low byte
        bool bold = false;
        bool italic = false;
        bool operator==(const FontChoice &) const = default;
    };

    virtual ~UserDialogs() = default;

    // "確認" with the question icon.
    virtual Answer question(QWidget *parent, const QString &text, Buttons buttons, Answer defaultAnswer) = 0;
    // "エラー" with the error icon: an expected failure.
    virtual void error(QWidget *parent, const QString &text) = 0;
    // "メッセージ" with the exclamation icon: refused input.
    virtual void message(QWidget *parent, const QString &text) = 0;
    // The standard error box for an exception that escaped a command.
    virtual void exception(QWidget *parent, const QString &text) = 0;
    // Existing file to open; empty when cancelled.
    virtual QString openFileName(QWidget *parent, const FileRequest &request) = 0;
    // File to save to (replacing it is confirmed by the dialog); empty when cancelled.
    virtual QString saveFileName(QWidget *parent, const FileRequest &request) = 0;
    // The font chooser offering `faces` and `sizes`, preset with `choice`;
    // true with the user's choice in it when confirmed.
    virtual bool chooseFont(QWidget *parent, FontChoice &choice, const QStringList &faces,
                            const QList<int> &sizes) = 0;
    // "エラー" with the warning icon: a request that cannot go on (paging past the end).
    virtual void warning(QWidget *parent, const QString &text) = 0;
    // The error icon under a caption of its own ("プリンタエラー").
    virtual void captionedError(QWidget *parent, const QString &caption, const QString &text) = 0;
    // The print dialog on `printer`: the user's printer, copies, collation
    // and, when lastPage > 0, a page range from 1 to lastPage are left in the
    // printer. True when the user chose to print.
    virtual bool print(QWidget *parent, QPrinter &printer, int lastPage) = 0;
    // The colour chooser, opened at `initial`; an invalid colour when cancelled.
    virtual QColor chooseColour(QWidget *parent, const QColor &initial) = 0;
    // Hands url to the desktop (a page to the browser); false when no
    // program took it.
    virtual bool openUrl(QWidget *parent, const QUrl &url) = 0;

    // Asked before an existing file is replaced: "%1 は既に存在します。\n置き換えますか?".
    static const QString ReplaceQuestion;
    // The file an output (PDF, CSV) is written to. `refusal` is the program's
    // own check of the chosen name (a message refusing it, or empty); it runs
    // before a file that exists is confirmed, so a refused name is never
    // offered for replacing. Empty when cancelled or refused.
    QString saveOutputFileName(QWidget *parent, FileRequest request,
                               const std::function<QString(const QString &path)> &refusal);

    // Why the file at path cannot be opened for request (the words of the
    // open dialog): it does not exist, or it is read-only and the request
    // wants to write it back. Empty when it can be opened.
    static QString openRefusal(const QString &path, const FileRequest &request);

    static UserDialogs &current();
    // Installs d (not owned) and returns the previous one; nullptr restores Qt's.
    static UserDialogs *install(UserDialogs *d);
};

class QtUserDialogs : public UserDialogs
{
public:
    Answer question(QWidget *parent, const QString &text, Buttons buttons, Answer defaultAnswer) override;
    void error(QWidget *parent, const QString &text) override;
    void message(QWidget *parent, const QString &text) override;
    void exception(QWidget *parent, const QString &text) override;
    QString openFileName(QWidget *parent, const FileRequest &request) override;
    QString saveFileName(QWidget *parent, const FileRequest &request) override;
    bool chooseFont(QWidget *parent, FontChoice &choice, const QStringList &faces,
                    const QList<int> &sizes) override;
    void warning(QWidget *parent, const QString &text) override;
    void captionedError(QWidget *parent, const QString &caption, const QString &text) override;
    bool print(QWidget *parent, QPrinter &printer, int lastPage) override;
    QColor chooseColour(QWidget *parent, const QColor &initial) override;
    bool openUrl(QWidget *parent, const QUrl &url) override;
};

// Answers from queues filled beforehand and a log of every box asked for.
// An unanswered question returns Cancel and an unanswered file dialog is
// cancelled; both are logged with "unanswered" so a test can notice.
class ScriptedUserDialogs : public UserDialogs
{
public:
    struct Shown
    {
        QString kind; // "question", "error", "message", "exception", "open", "save", "font", "colour", "warning", "print", "url"
        QString text; // message text, the dialog title, or the font chooser's faces (one a line)
        QString caption; // captioned errors: the caption
        Buttons buttons = Buttons::YesNo;
        Answer defaultAnswer = Answer::Yes;
        FileRequest request;
        FontChoice font;      // the font chooser's preset
        QColor initialColour; // the colour a chooser opened at
        bool unanswered = false;
    };

    ScriptedUserDialogs();
    ~ScriptedUserDialogs() override;

    QList<Answer> answers;   // consumed by question()
    QStringList fileNames;   // consumed by openFileName() and saveFileName(); "" cancels
    QList<std::optional<FontChoice>> fonts; // consumed by chooseFont(); nullopt cancels
    QList<QColor> colours;   // consumed by chooseColour(); an invalid colour cancels
    QList<Shown> shown;
    // Runs while a question or a message is shown, before it is answered;
    // a test spins the event loop here as a real modal box does.
    std::function<void()> whileShown;

    // What the print dialog answers: the choices are put into the printer.
    // An empty printer name keeps the printer's; an output file prints to
    // a PDF file instead of a print queue.
    struct PrintAnswer
    {
        bool accept = true;
        int copies = 1;
        bool collate = false;
        int fromPage = 0, toPage = 0; // 0: all pages
        QString printerName;
        QString outputFile;
    };
    QList<PrintAnswer> printAnswers; // consumed by print(); none left cancels
    QList<int> printLastPages;       // the page range each print dialog offered (0: none)
    bool urlsOpen = true;            // what openUrl() answers; each URL is logged as "url"

    // Texts of the shown boxes of one kind, in order.
    QStringList texts(const QString &kind) const;
    bool anyUnanswered() const;

    Answer question(QWidget *parent, const QString &text, Buttons buttons, Answer defaultAnswer) override;
    void error(QWidget *parent, const QString &text) override;
    void message(QWidget *parent, const QString &text) override;
    void exception(QWidget *parent, const QString &text) override;
    QString openFileName(QWidget *parent, const FileRequest &request) override;
    QString saveFileName(QWidget *parent, const FileRequest &request) override;
    bool chooseFont(QWidget *parent, FontChoice &choice, const QStringList &faces,
                    const QList<int> &sizes) override;
    void warning(QWidget *parent, const QString &text) override;
    void captionedError(QWidget *parent, const QString &caption, const QString &text) override;
    bool print(QWidget *parent, QPrinter &printer, int lastPage) override;
    QColor chooseColour(QWidget *parent, const QColor &initial) override;
    bool openUrl(QWidget *parent, const QUrl &url) override;

private:
    QString nextFileName(const QString &kind, const FileRequest &request);
    void logBox(const QString &kind, const QString &text);
    UserDialogs *m_previous = nullptr;
};
