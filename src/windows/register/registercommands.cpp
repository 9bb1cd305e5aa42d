#include "windows/register/registercommands.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/nameplate.h"
#include "register/registercheck.h"
#include "register/recoverycopy.h"
#include "register/registerdocument.h"
#include "register/registerlistmodel.h"
#include "register/series.h"
#include "register/templates.h"
#include "windows/common/actioncollection.h"
#include "windows/common/screenplace.h"
#include "windows/common/appsettings.h"
#include "windows/common/userdialogs.h"
#include "windows/register/tftel_add.h"
#include "windows/strip/stripdisplay.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>

namespace {

const QString ChangedQuestion = QStringLiteral("示名条データが変更されています。\n保存しますか？");
const QString DeleteQuestion = QStringLiteral("示名条データ削除します。\nよろしいですか？");
const QString RecoveryQuestion =
    QStringLiteral("%1 の保存されていない変更が復旧用のコピーに残っています:\n%2\n\n"
                   "「はい」でコピーの内容を読み込みます（保存するまで %1 は変わりません）。\n"
                   "「いいえ」でコピーを削除します。「キャンセル」でコピーを残して開きます。");
const QString HeldQuestion = QStringLiteral("%1 は %2開いています。\nそれでも開きますか？");
const QString StaleQuestion = QStringLiteral("%1 には古いロックファイルが残っています。\n使っている人がいないことを確かめてから開いてください。\n開きますか？");
const QString NoLockMessage = QStringLiteral("%1 のフォルダにはロックファイルを作れません。ロックなしで開きます。\nほかの人が同時に変更しても知らせることができません。");
const QString ChangedMeanwhileMessage = QStringLiteral("%1 は保存する直前にほかで変更されました。保存しませんでした。");
const QString ChangedOnDiskQuestion = QStringLiteral("%1 は読み込んだ後にほかで変更されています。\n上書きしますか？\n（いいえ: 別の名前で保存します）");
const QString ReloadQuestion = QStringLiteral("%1 がほかで変更されました。\n読み込み直しますか？");
const QString ChangedOnDiskMessage = QStringLiteral("%1 がほかで変更されました。\n保存するときに上書きするかどうかを確かめます。");
const QString GoneQuestion = QStringLiteral("%1 がほかで削除されたか移動されました。\n表示している内容は保存されていません。\n名前を付けて保存しますか？");
const QString DamagedMessage = QStringLiteral("%1 の登録内容に誤りがあります（%2 件、最初は %3 行目: %4）。\n誤りのある示名条は正しく表示できないことがあります。");

UserDialogs::FileRequest registerFileRequest(const QString &title)
{
    return {title, QStringLiteral("示名条ﾃﾞｰﾀﾌｧｲﾙ(*.TAV)"), QStringLiteral("TAV")};
}

// Row selections made by a command are not "the user selected a row".
struct ListUpdate
{
    explicit ListUpdate(int &n) : n(n) { ++n; }
    ~ListUpdate() { --n; }
    int &n;
};

} // namespace

RegisterCommands::RegisterCommands(RegisterDocument &document, RegisterListModel &model, StripDisplay &display,
                                   QTreeView *list, QComboBox *series, ActionCollection &actions, QWidget *window,
                                   const templates::Folders &templateFolders, SettingsStore &settings, QObject *parent)
    : QObject(parent), m_document(document), m_model(model), m_display(display), m_window(window),
      m_templateFolders(templateFolders), m_settings(settings)
{
    m_controls.registerList = list;
    m_controls.ComboBoxSeries = series;
    Controls &c = m_controls;
    c.ActionFileNew = actions.add("ActionFileNew", QStringLiteral("新規作成(&N)"), this, &RegisterCommands::ActionFileNewExecute,
                                  {}, QStringLiteral("新しいデータベースを作成します"));
    c.ActionFileOpen = actions.add("ActionFileOpen", QStringLiteral("開く(&O)..."), this,
                                   &RegisterCommands::ActionFileOpenExecute, QKeySequence(Qt::CTRL | Qt::Key_O),
                                   QStringLiteral("既存のデータベースを開きます"));
    c.ActionFileSave = actions.add("ActionFileSave", QStringLiteral("上書き保存(&S)"), this,
                                   &RegisterCommands::ActionFileSaveExecute, QKeySequence(Qt::CTRL | Qt::Key_S),
                                   QStringLiteral("データベースを上書きで保存します"));
    c.ActionFileSaveAs = actions.add("ActionFileSaveAs", QStringLiteral("名前を付けて保存(&A)..."), this,
                                     &RegisterCommands::ActionFileSaveAsExecute, {},
                                     QStringLiteral("データベースを名前を付けて保存します"));
    c.ActionJimeijoNew = actions.add("ActionJimeijoNew", QStringLiteral("示名条の作成(&N)..."), this,
                                     &RegisterCommands::ActionJimeijoNewExecute);
    c.ActionJimeijoEdit = actions.add("ActionJimeijoEdit", QStringLiteral("示名条の編集(&E)..."), this,
                                      &RegisterCommands::ActionJimeijoEditExecute);
    c.ActionJimeijoDelete = actions.add("ActionJimeijoDelete", QStringLiteral("示名条の削除(&D)"), this,
                                        &RegisterCommands::ActionJimeijoDeleteExecute);
    actions.setButton(c.ActionFileNew, "ToolButtonNew", "new", QStringLiteral("新規作成|新しいデータベースを作成します"));
    actions.setButton(c.ActionFileOpen, "ToolButtonOpen", "open", QStringLiteral("開く|既存のデータベースを開きます"));
    actions.setButton(c.ActionFileSave, "ToolButtonSave", "save", QStringLiteral("上書き保存|データベースを上書きで保存します"));
    actions.setButton(c.ActionJimeijoNew, "ToolButtonJimeijoNew", "entry-new", QStringLiteral("示名条の作成|示名条を作成します"));
    actions.setButton(c.ActionJimeijoDelete, "ToolButtonJimeijoDelete", "entry-delete",
                      QStringLiteral("示名条の削除|選択された示名条を削除します"));

    // Notifications do not arrive from every network folder: a poll backs
    // the watcher up.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { QTimer::singleShot(200, this, &RegisterCommands::checkDisk); });
    m_poll = new QTimer(this);
    m_poll->setInterval(5000);
    connect(m_poll, &QTimer::timeout, this, &RegisterCommands::checkDisk);

    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &added) { listSelectionChanged(added); });
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
}

RegisterCommands::~RegisterCommands() = default;

bool RegisterCommands::eventFilter(QObject *watched, QEvent *e)
{
    QTreeView *list = m_controls.registerList;
    if (watched == list && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Delete && k->modifiers() == Qt::NoModifier) {
            ActionJimeijoDeleteExecute();
            return true;
        }
    } else if (watched == list->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
            ActionJimeijoEditExecute();
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

// ---------------------------------------------------------------- register list

int RegisterCommands::rowCount() const
{
    return m_model.rowCount();
}

void RegisterCommands::selectOnly(int row)
{
    ListUpdate guard(m_listUpdating);
    m_controls.registerList->clearSelection();
    const QModelIndex index = m_model.index(row, 0);
    if (index.isValid()) {
        m_controls.registerList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_controls.registerList->scrollTo(index);
    }
}

void RegisterCommands::focusListIfVisible()
{
    if (m_controls.registerList->isVisible())
        m_controls.registerList->setFocus(Qt::OtherFocusReason);
}

void RegisterCommands::listSelectionChanged(const QItemSelection &added)
{
    if (m_listUpdating)
        return;
    // Only rows that became selected count: a row losing its selection
    // (Ctrl+click on the shown row) leaves the strip on the focused row,
    // which the entry commands act on. The row shown is the focused one when
    // it became selected, otherwise the last newly selected.
    QList<int> rows;
    for (const QModelIndex &i : added.indexes())
        if (i.column() == 0)
            rows.append(i.row());
    if (rows.isEmpty())
        return;
    const QModelIndex current = m_controls.registerList->currentIndex();
    const int row = current.isValid() && rows.contains(current.row()) ? current.row() : *std::max_element(rows.begin(), rows.end());
    if (row + 1 == m_display.shownEntryNumber())
        return;
    showRow(row);
}

void RegisterCommands::showRow(int row)
{
    if (m_document.findEntry(row + 1) < 1)
        return;
    m_display.showEntry(row + 1);
    // The series selector follows the entry; a caption that is none of the
    // eight keeps the current series.
    const int s = series::indexOfCaption(m_model.rowHeader(row).seriesCaption);
    if (s >= 0 && s != m_controls.ComboBoxSeries->currentIndex())
        m_controls.ComboBoxSeries->setCurrentIndex(s);
}

void RegisterCommands::selectAndShowRow(int row)
{
    selectOnly(row);
    showRow(row);
}

// ---------------------------------------------------------------- unsaved changes

bool RegisterCommands::askSaveChanges()
{
    if (!m_document.isModified())
        return true;
    switch (UserDialogs::current().question(m_window, ChangedQuestion, UserDialogs::Buttons::YesNoCancel,
                                            UserDialogs::Answer::Yes)) {
    case UserDialogs::Answer::Yes:
        return ActionFileSaveExecute();
    case UserDialogs::Answer::No:
        return true;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

// ---------------------------------------------------------------- file commands

void RegisterCommands::ActionFileNewExecute()
{
    m_display.commitPendingEdit();
    if (!askSaveChanges())
        return;
    {
        ListUpdate guard(m_listUpdating);
        m_document.reset();
    }
    letGoOfFile();
    m_display.clear();
}

void RegisterCommands::ActionFileOpenExecute()
{
    m_display.commitPendingEdit();
    if (!askSaveChanges())
        return;
    const QString path = UserDialogs::current().openFileName(m_window, registerFileRequest(QStringLiteral("開く")));
    if (!path.isEmpty())
        load(path);
}

void RegisterCommands::openFile(const QString &path)
{
    m_display.commitPendingEdit();
    const QString refusal = UserDialogs::openRefusal(path, registerFileRequest(QStringLiteral("開く")));
    if (!refusal.isEmpty()) {
        UserDialogs::current().message(m_window, refusal);
        return;
    }
    if (askSaveChanges())
        load(path);
}

void RegisterCommands::load(const QString &path, bool again)
{
    if (!again) {
        if (!lockRegister(path))
            return;
        // A load that fails leaves an empty, unnamed register.
        m_display.clear();
        ListUpdate guard(m_listUpdating);
        m_document.reset();
    }
    // Read apart first: what the window holds goes only once the file has
    // been read whole.
    RegisterDocument read;
    QList<EntryHeader> rows;
    try {
        rows = read.load(path);
    } catch (const TavrelError &e) {
        UserDialogs::current().error(m_window, e.message());
        if (again)
            m_document.markUnsaved(); // the window holds the only sound copy
        else
            letGoOfFile();
        return;
    }
    // A damaged register is told once, before its entries are listed.
    const QList<RegisterProblem> problems = checkRegister(read.lines());
    if (!problems.isEmpty()) {
        const RegisterProblem &first = problems.constFirst();
        UserDialogs::current().warning(
            m_window, DamagedMessage.arg(path, QString::number(problems.size()), QString::number(first.line + 1), first.message));
    }
    m_display.clear();
    {
        ListUpdate guard(m_listUpdating);
        m_document.adopt(std::move(read));
    }
    if (rows.isEmpty()) {
        letGoOfFile();
        return;
    }
    selectOnly(0);
    focusListIfVisible();
    showRow(0);
    m_document.setFileName(path);
    watch(path);
    if (!again)
        offerRecovery(path);
}

void RegisterCommands::offerRecovery(const QString &path)
{
    const QString copy = recovery::find(path);
    if (copy.isEmpty())
        return;
    switch (UserDialogs::current().question(m_window, RecoveryQuestion.arg(path, copy),
                                            UserDialogs::Buttons::YesNoCancel, UserDialogs::Answer::Yes)) {
    case UserDialogs::Answer::Yes:
        try {
            ListUpdate guard(m_listUpdating);
            recovery::restore(m_document, copy);
        } catch (const TavrelError &e) {
            // The copy stays for a later look; the register is as read.
            UserDialogs::current().error(m_window, e.message());
            return;
        }
        QFile::remove(copy);
        selectOnly(0);
        showRow(0);
        break;
    case UserDialogs::Answer::No:
        QFile::remove(copy);
        break;
    case UserDialogs::Answer::Cancel:
        break;
    }
}

QString RegisterCommands::writeRecoveryCopy()
{
    if (!m_document.isModified())
        return QString();
    return recovery::write(m_document);
}

bool RegisterCommands::lockRegister(const QString &path)
{
    RegisterLock::Probe probe = RegisterLock::probe(path);
    if (probe.state == RegisterLock::State::Ours && m_lock.held() && textfile::sameFile(m_lock.registerPath(), path))
        return true;
    if (probe.state == RegisterLock::State::Stale
        && UserDialogs::current().question(m_window, StaleQuestion.arg(path), UserDialogs::Buttons::YesNo,
                                           UserDialogs::Answer::No)
               != UserDialogs::Answer::Yes)
        return false;
    // Taken over when dead (or stale, as the user said); another taker may
    // win it meanwhile.
    if (probe.state != RegisterLock::State::Live)
        probe = takeLock(path);
    if (probe.state != RegisterLock::State::Live && probe.state != RegisterLock::State::Stale)
        return true;
    // Opened all the same, the register stays the holder's: no lock is taken.
    if (UserDialogs::current().question(m_window, HeldQuestion.arg(path, probe.holder.describe()),
                                        UserDialogs::Buttons::YesNo, UserDialogs::Answer::No)
        != UserDialogs::Answer::Yes)
        return false;
    m_lock.release();
    return true;
}

RegisterLock::Probe RegisterCommands::takeLock(const QString &path)
{
    RegisterLock::Probe probe = m_lock.take(path, true);
    if (probe.state == RegisterLock::State::Live)
        return probe;
    if (!m_lock.holdFile(path, 0)) {
        m_lock.release();
        return RegisterLock::heldUnderAnotherName();
    }
    if (probe.state == RegisterLock::State::Free && !m_toldNoLock) {
        m_toldNoLock = true;
        UserDialogs::current().message(m_window, NoLockMessage.arg(path));
    }
    return probe;
}

void RegisterCommands::letGoOfFile()
{
    m_lock.release();
    watch(QString());
}

void RegisterCommands::watch(const QString &path)
{
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    m_toldChanged = false;
    if (path.isEmpty()) {
        m_poll->stop();
        return;
    }
    m_watcher->addPath(path);
    m_poll->start();
}

void RegisterCommands::checkDisk()
{
    const QString path = m_document.fileName();
    if (m_toldChanged || path.isEmpty() || !m_document.changedOnDisk(path))
        return;
    // Told once; a file replaced by a rename is watched again.
    m_toldChanged = true;
    if (!m_watcher->files().contains(path) && QFileInfo::exists(path))
        m_watcher->addPath(path);
    m_display.commitPendingEdit();
    if (!QFileInfo(path).isFile()) {
        // Removed or moved away: the window holds the only copy.
        m_document.markUnsaved();
        if (UserDialogs::current().question(m_window, GoneQuestion.arg(path), UserDialogs::Buttons::YesNo,
                                            UserDialogs::Answer::Yes)
            == UserDialogs::Answer::Yes)
            ActionFileSaveAsExecute();
        return;
    }
    if (m_document.isModified()) {
        UserDialogs::current().message(m_window, ChangedOnDiskMessage.arg(path));
        return;
    }
    if (UserDialogs::current().question(m_window, ReloadQuestion.arg(path), UserDialogs::Buttons::YesNo,
                                        UserDialogs::Answer::Yes)
        != UserDialogs::Answer::Yes)
        return;
    load(path, true); // the lock is this window's already
}

bool RegisterCommands::confirmOverwrite(const QString &path, bool *saveAs)
{
    *saveAs = false;
    if (!textfile::sameFile(path, m_document.fileName()) || !m_document.changedOnDisk(path))
        return true;
    switch (UserDialogs::current().question(m_window, ChangedOnDiskQuestion.arg(path),
                                            UserDialogs::Buttons::YesNoCancel, UserDialogs::Answer::Cancel)) {
    case UserDialogs::Answer::Yes:
        return true;
    case UserDialogs::Answer::No:
        *saveAs = true;
        return false;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

bool RegisterCommands::ActionFileSaveExecute()
{
    if (rowCount() == 0)
        return false;
    m_display.commitPendingEdit();
    if (m_document.fileName().isEmpty())
        return ActionFileSaveAsExecute();
    const QString path = m_document.fileName();
    const bool unchanged = !m_document.changedOnDisk(path);
    bool saveAs = false;
    if (!confirmOverwrite(path, &saveAs))
        return saveAs && ActionFileSaveAsExecute();
    // A failure throws and is shown; the file on disk stays as it was and
    // the register stays modified. A change made by another since the
    // question (or since it was read) is looked for once more just before
    // the file is put in place; the flock moves to the new file.
    m_document.save(path, [&](int fd) {
        if (unchanged && m_document.changedOnDisk(path))
            throw TavrelError(ChangedMeanwhileMessage.arg(path));
        if (m_lock.held() && textfile::sameFile(m_lock.registerPath(), path))
            m_lock.holdWritten(fd);
    });
    m_toldChanged = false;
    return true;
}

bool RegisterCommands::ActionFileSaveAsExecute()
{
    if (rowCount() == 0)
        return false;
    m_display.commitPendingEdit();
    const QString path =
        UserDialogs::current().saveFileName(m_window, registerFileRequest(QStringLiteral("名前を付けて保存")));
    if (path.isEmpty())
        return false;
    bool saveAs = false;
    if (!confirmOverwrite(path, &saveAs))
        return false;
    const bool another = !textfile::sameFile(path, m_document.fileName());
    // Another register file: one that another process has open is not
    // written over without asking, and its holder keeps the lock.
    const RegisterLock::Probe probe = another ? RegisterLock::probe(path) : RegisterLock::Probe();
    if (another) {
        if (probe.state == RegisterLock::State::Live
            && UserDialogs::current().question(m_window, HeldQuestion.arg(path, probe.holder.describe()),
                                               UserDialogs::Buttons::YesNo, UserDialogs::Answer::No)
                   != UserDialogs::Answer::Yes)
            return false;
    }
    m_document.save(path);
    m_document.setFileName(path); // only once the file is written
    if (another) {
        if (probe.state != RegisterLock::State::Live)
            takeLock(path);
        watch(path);
    }
    m_toldChanged = false;
    return true;
}

// ---------------------------------------------------------------- entry commands

TFTelAdd &RegisterCommands::entryDialog()
{
    if (!m_entryDialog) {
        m_entryDialog = new TFTelAdd(m_window);
        screenplace::moveOnScreen(m_entryDialog, appsettings::read(m_settings, appsettings::EntryDialogPlace));
    }
    return *m_entryDialog;
}

void RegisterCommands::saveSettings(SettingsStore &settings) const
{
    if (m_entryDialog)
        appsettings::write(settings, appsettings::EntryDialogPlace, m_entryDialog->pos());
    else
        appsettings::keep(settings, appsettings::EntryDialogPlace);
}

// What the entry dialog opens on: the register as the list shows it.
TFTelAdd::Request RegisterCommands::entryRequest(TFTelAdd::Mode mode, int row) const
{
    TFTelAdd::Request request;
    request.mode = mode;
    request.row = row;
    request.templateFolders = m_templateFolders;
    request.selectorSeries = m_controls.ComboBoxSeries->currentText();
    request.rows = m_model.rowHeaders();
    request.encoding = m_document.encoding();
    return request;
}

void RegisterCommands::ActionJimeijoNewExecute()
{
    m_display.commitPendingEdit();
    const std::optional<TFTelAdd::Result> result = entryDialog().ask(entryRequest(TFTelAdd::Mode::Create, 0));
    if (!result)
        return;
    const EntryHeader &h = result->header;
    // The entry copied is the row picked, counted from 1.
    const int source = result->copySourceRow >= 0 && result->copySourceRow < rowCount() ? result->copySourceRow + 1 : 0;
    // Both ways of appending leave the document as it was when they fail,
    // and then no row is added either; a new entry adds its row.
    ListUpdate guard(m_listUpdating);
    if (source > 0) {
        nameplate::appendEntryAsCopy(m_document, h, source);
    } else {
        try {
            templates::appendEntryFromTemplate(m_document, m_templateFolders, h);
        } catch (const TavrelError &e) {
            if (e.kind() == TavrelError::Kind::MissingTemplate) {
                UserDialogs::current().error(m_window, e.message());
                return;
            }
            throw;
        }
    }
    selectOnly(rowCount() - 1);
    focusListIfVisible();
    m_display.showEntry(m_document.entryCount());
}

void RegisterCommands::ActionJimeijoEditExecute()
{
    if (rowCount() == 0)
        return;
    m_display.commitPendingEdit();
    const int r0 = m_controls.registerList->currentIndex().isValid() ? m_controls.registerList->currentIndex().row() : -1;
    if (r0 < 0)
        return;
    const std::optional<TFTelAdd::Result> result = entryDialog().ask(entryRequest(TFTelAdd::Mode::Edit, r0));
    if (!result)
        return;

    const int r = result->row;
    if (r < 0 || r >= rowCount())
        return;
    EntryHeader h = result->header;
    h.date = m_model.rowHeader(r).date; // editing keeps the date the entry was registered
    // The row follows the header; name plates still showing the old values follow it too.
    nameplate::updateEntryHeader(m_document, r + 1, h);

    if (r != r0) {
        if (m_document.findEntry(r + 1) > 0) {
            selectOnly(r);
            focusListIfVisible();
            showRow(r);
        }
    }
    // The display follows the header and the name plates of the shown entry
    // by itself.
}

void RegisterCommands::ActionJimeijoDeleteExecute()
{
    QList<int> rows;
    for (const QModelIndex &i : m_controls.registerList->selectionModel()->selectedRows())
        rows.append(i.row());
    if (rows.isEmpty())
        return;
    m_display.commitPendingEdit();
    std::sort(rows.begin(), rows.end());
    int f = m_controls.registerList->currentIndex().isValid() ? m_controls.registerList->currentIndex().row() : rows.constFirst();
    if (UserDialogs::current().question(m_window, DeleteQuestion, UserDialogs::Buttons::YesNo, UserDialogs::Answer::No)
        != UserDialogs::Answer::Yes)
        return;

    int remaining = 0;
    {
        ListUpdate guard(m_listUpdating);
        remaining = m_document.deleteEntries(rows, rowCount());
    }
    if (remaining > 0) {
        f = std::min(f, remaining - 1);
        selectOnly(f);
        showRow(f);
        focusListIfVisible();
    } else {
        m_display.clear();
    }
}
