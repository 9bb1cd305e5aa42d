#pragma once
// Message boxes and file dialogs go through this interface so that tests can
// answer them without a display. The program installs nothing and gets the
// Qt implementation; a test installs a ScriptedUserDialogs.

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

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
    // The colour chooser, opened at `initial`; an invalid colour when cancelled.
    virtual QColor chooseColour(QWidget *parent, const QColor &initial) = 0;

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
    QColor chooseColour(QWidget *parent, const QColor &initial) override;
};

// Answers from queues filled beforehand and a log of every box asked for.
// An unanswered question returns Cancel and an unanswered file dialog is
// cancelled; both are logged with "unanswered" so a test can notice.
class ScriptedUserDialogs : public UserDialogs
{
public:
    struct Shown
    {
        QString kind; // "question", "error", "message", "exception", "open", "save", "colour"
        QString text; // message text, or the dialog title
        Buttons buttons = Buttons::YesNo;
        Answer defaultAnswer = Answer::Yes;
        FileRequest request;
        QColor initialColour; // the colour a chooser opened at
        bool unanswered = false;
    };

    ScriptedUserDialogs();
    ~ScriptedUserDialogs() override;

    QList<Answer> answers;   // consumed by question()
    QStringList fileNames;   // consumed by openFileName() and saveFileName(); "" cancels
    QList<QColor> colours;   // consumed by chooseColour(); an invalid colour cancels
    QList<Shown> shown;

    // Texts of the shown boxes of one kind, in order.
    QStringList texts(const QString &kind) const;
    bool anyUnanswered() const;

    Answer question(QWidget *parent, const QString &text, Buttons buttons, Answer defaultAnswer) override;
    void error(QWidget *parent, const QString &text) override;
    void message(QWidget *parent, const QString &text) override;
    void exception(QWidget *parent, const QString &text) override;
    QString openFileName(QWidget *parent, const FileRequest &request) override;
    QString saveFileName(QWidget *parent, const FileRequest &request) override;
    QColor chooseColour(QWidget *parent, const QColor &initial) override;

private:
    QString nextFileName(const QString &kind, const FileRequest &request);
    void logBox(const QString &kind, const QString &text);
    UserDialogs *m_previous = nullptr;
};
