#include "platform/userdialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {
QtUserDialogs &qtDialogs()
{
    static QtUserDialogs d;
    return d;
}
UserDialogs *installed = nullptr;

QMessageBox::StandardButton toButton(UserDialogs::Answer a)
{
    switch (a) {
    case UserDialogs::Answer::Yes:
        return QMessageBox::Yes;
    case UserDialogs::Answer::No:
        return QMessageBox::No;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return QMessageBox::Cancel;
}
} // namespace

UserDialogs &UserDialogs::current()
{
    return installed ? *installed : qtDialogs();
}

UserDialogs *UserDialogs::install(UserDialogs *d)
{
    UserDialogs *previous = installed;
    installed = d;
    return previous;
}

// ---------------------------------------------------------------- Qt

UserDialogs::Answer QtUserDialogs::question(QWidget *parent, const QString &text, Buttons buttons,
                                            Answer defaultAnswer)
{
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        set |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, set, parent);
    box.setDefaultButton(toButton(defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Esc or the close box: Cancel where offered, otherwise No.
        return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

void QtUserDialogs::error(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserDialogs::message(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("メッセージ"), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserDialogs::exception(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrel"), text, QMessageBox::Ok, parent);
    box.exec();
}

// The file dialogs of the register: title, filter and default extension of
// the request, empty initial folder and name, resizable.
static void prepareFileDialog(QFileDialog &dialog, const UserDialogs::FileRequest &request, bool save)
{
    dialog.setWindowTitle(request.title);
    dialog.setNameFilter(request.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setSizeGripEnabled(true);
}

QString QtUserDialogs::openFileName(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent);
    prepareFileDialog(dialog, request, false);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        const QString path = dialog.selectedFiles().constFirst();
        // A register is opened for writing back, so a read-only file is refused.
        if (QFileInfo(path).isWritable())
            return path;
        QMessageBox box(QMessageBox::Warning, request.title,
                        QStringLiteral("%1\nこのファイルは読み取り専用です。").arg(QFileInfo(path).fileName()),
                        QMessageBox::Ok, &dialog);
        box.exec();
    }
}

QString QtUserDialogs::saveFileName(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent);
    prepareFileDialog(dialog, request, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QColor QtUserDialogs::chooseColour(QWidget *parent, const QColor &initial)
{
    QColorDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return QColor();
    return dialog.selectedColor();
}

// ---------------------------------------------------------------- scripted

ScriptedUserDialogs::ScriptedUserDialogs() : m_previous(UserDialogs::install(this)) {}

ScriptedUserDialogs::~ScriptedUserDialogs()
{
    if (&UserDialogs::current() == this)
        UserDialogs::install(m_previous);
}

QStringList ScriptedUserDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == kind)
            out.append(s.text);
    return out;
}

bool ScriptedUserDialogs::anyUnanswered() const
{
    for (const Shown &s : shown)
        if (s.unanswered)
            return true;
    return false;
}

UserDialogs::Answer ScriptedUserDialogs::question(QWidget *, const QString &text, Buttons buttons,
                                                  Answer defaultAnswer)
{
    Shown s;
    s.kind = QStringLiteral("question");
    s.text = text;
    s.buttons = buttons;
    s.defaultAnswer = defaultAnswer;
    Answer a = Answer::Cancel;
    if (answers.isEmpty())
        s.unanswered = true;
    else
        a = answers.takeFirst();
    shown.append(s);
    return a;
}

void ScriptedUserDialogs::error(QWidget *, const QString &text)
{
    logBox(QStringLiteral("error"), text);
}

void ScriptedUserDialogs::message(QWidget *, const QString &text)
{
    logBox(QStringLiteral("message"), text);
}

void ScriptedUserDialogs::exception(QWidget *, const QString &text)
{
    logBox(QStringLiteral("exception"), text);
}

void ScriptedUserDialogs::logBox(const QString &kind, const QString &text)
{
    Shown s;
    s.kind = kind;
    s.text = text;
    shown.append(s);
}

QString ScriptedUserDialogs::nextFileName(const QString &kind, const FileRequest &request)
{
    Shown s;
    s.kind = kind;
    s.text = request.title;
    s.request = request;
    QString name;
    if (fileNames.isEmpty())
        s.unanswered = true;
    else
        name = fileNames.takeFirst();
    shown.append(s);
    return name;
}

QString ScriptedUserDialogs::openFileName(QWidget *, const FileRequest &request)
{
    return nextFileName(QStringLiteral("open"), request);
}

QString ScriptedUserDialogs::saveFileName(QWidget *, const FileRequest &request)
{
    return nextFileName(QStringLiteral("save"), request);
}

QColor ScriptedUserDialogs::chooseColour(QWidget *, const QColor &initial)
{
    Shown s;
    s.kind = QStringLiteral("colour");
    s.initialColour = initial;
    QColor c;
    if (colours.isEmpty())
        s.unanswered = true;
    else
        c = colours.takeFirst();
    shown.append(s);
    return c;
}
