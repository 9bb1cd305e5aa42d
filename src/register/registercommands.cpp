#include "register/registercommands.h"

#include "platform/commandconnect.h"
#include "platform/conversion.h"
#include "platform/userdialogs.h"
#include "register/nameplate.h"
#include "register/registerdocument.h"
#include "register/registerlistmodel.h"
#include "register/series.h"
#include "register/templates.h"
#include "register/tftel_add.h"
#include "strip/stripdisplay.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>

namespace {

const QString ChangedQuestion = QStringLiteral("示名条データが変更されています。\n保存しますか？");
const QString DeleteQuestion = QStringLiteral("示名条データ削除します。\nよろしいですか？");

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
                                   QWidget *window, const QString &programFolder, const Controls &controls,
                                   QObject *parent)
    : QObject(parent), m_document(document), m_model(model), m_display(display), m_window(window),
      m_programFolder(programFolder), m_controls(controls)
{
    using command::connectCommand;
    connectCommand(controls.ActionFileNew, this, &RegisterCommands::ActionFileNewExecute);
    connectCommand(controls.ActionFileOpen, this, &RegisterCommands::ActionFileOpenExecute);
    connectCommand(controls.ActionFileSave, this, &RegisterCommands::ActionFileSaveExecute);
    connectCommand(controls.ActionFileSaveAs, this, &RegisterCommands::ActionFileSaveAsExecute);
    connectCommand(controls.ActionJimeijoNew, this, &RegisterCommands::ActionJimeijoNewExecute);
    connectCommand(controls.ActionJimeijoEdit, this, &RegisterCommands::ActionJimeijoEditExecute);
    connectCommand(controls.ActionJimeijoDelete, this, &RegisterCommands::ActionJimeijoDeleteExecute);

    QTreeView *list = controls.ListView1;
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RegisterCommands::ListView1SelectionChanged);
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
}

RegisterCommands::~RegisterCommands() = default;

bool RegisterCommands::eventFilter(QObject *watched, QEvent *e)
{
    QTreeView *list = m_controls.ListView1;
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
    m_controls.ListView1->clearSelection();
    const QModelIndex index = m_model.index(row, 0);
    if (index.isValid()) {
        m_controls.ListView1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_controls.ListView1->scrollTo(index);
    }
}

void RegisterCommands::focusListIfVisible()
{
    if (m_controls.ListView1->isVisible())
        m_controls.ListView1->setFocus(Qt::OtherFocusReason);
}

void RegisterCommands::ListView1SelectionChanged()
{
    if (m_listUpdating)
        return;
    // The row that became selected: the focused one when it is among the
    // selected rows, otherwise the last newly selected.
    const QModelIndexList selected = m_controls.ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int row = -1;
    const QModelIndex current = m_controls.ListView1->currentIndex();
    if (current.isValid() && m_controls.ListView1->selectionModel()->isRowSelected(current.row(), current.parent()))
        row = current.row();
    else
        row = selected.constLast().row();
    if (row + 1 == m_document.currentEntryNumber())
        return;
    showRow(row);
}

void RegisterCommands::showRow(int row)
{
    const int m = m_document.findEntry(row + 1);
    if (m < 1)
        return;
    m_document.setCurrentHeaderLine(m + 1);
    m_display.showEntry();
    m_document.setCurrentEntryNumber(row + 1);
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
        ActionFileSaveExecute();
        return !m_document.fileName().isEmpty();
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
    m_display.clear();
    m_document.setCurrentHeaderLine(0);
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

void RegisterCommands::load(const QString &path)
{
    m_display.clear();
    QList<EntryHeader> rows;
    try {
        ListUpdate guard(m_listUpdating);
        rows = m_document.load(path);
    } catch (const TavrelError &e) {
        // The document is empty and unnamed again.
        if (e.message() == RegisterDocument::FormatErrorMessage) {
            UserDialogs::current().error(m_window, e.message());
            return;
        }
        throw;
    }
    if (rows.isEmpty())
        return;
    selectOnly(0);
    focusListIfVisible();
    showRow(0);
    m_document.setFileName(path);
}

void RegisterCommands::ActionFileSaveExecute()
{
    if (rowCount() == 0)
        return;
    m_display.commitPendingEdit();
    if (m_document.fileName().isEmpty()) {
        ActionFileSaveAsExecute();
        return;
    }
    // A failure throws and is shown; the file on disk stays as it was and
    // the register stays modified.
    m_document.save(m_document.fileName());
}

void RegisterCommands::ActionFileSaveAsExecute()
{
    if (rowCount() == 0)
        return;
    m_display.commitPendingEdit();
    const QString path =
        UserDialogs::current().saveFileName(m_window, registerFileRequest(QStringLiteral("名前を付けて保存")));
    if (path.isEmpty())
        return;
    m_document.save(path);
    m_document.setFileName(path); // only once the file is written
}

// ---------------------------------------------------------------- entry commands

void RegisterCommands::ActionJimeijoNewExecute()
{
    m_display.commitPendingEdit();
    if (!m_entryDialog)
        return;
    TFTelAdd &dlg = *m_entryDialog;
    dlg.mode = TFTelAdd::Mode::Create;
    dlg.seriesCaption.clear();
    dlg.stripType.clear();
    dlg.extension.clear();
    dlg.department.clear();
    dlg.userName.clear();
    dlg.copySource.clear();
    dlg.registrationDate.clear();
    dlg.row = 0;
    dlg.setRegister(m_programFolder, m_controls.ComboBoxSeries->currentText(), m_model.rowHeaders());
    if (dlg.exec() != QDialog::Accepted)
        return;

    EntryHeader h;
    h.extension = dlg.extension;
    h.department = dlg.department;
    h.userName = dlg.userName;
    h.date = dlg.registrationDate;
    h.seriesCaption = dlg.seriesCaption;
    h.stripType = dlg.stripType;

    int source = 0;
    for (int r = 0; r < rowCount(); ++r) {
        if (TFTelAdd::copySourceText(m_model.rowHeader(r)) == dlg.copySource) {
            source = r + 1;
            break;
        }
    }
    // Both ways of appending leave the document as it was when they fail,
    // and then no row is added either; a new entry adds its row.
    ListUpdate guard(m_listUpdating);
    if (source > 0) {
        nameplate::appendEntryAsCopy(m_document, h, source);
    } else {
        try {
            templates::appendEntryFromTemplate(m_document, m_programFolder, h);
        } catch (const TavrelError &e) {
            if (e.message() == templates::MissingMessage) {
                UserDialogs::current().error(m_window, e.message());
                return;
            }
            throw;
        }
    }
    selectOnly(rowCount() - 1);
    focusListIfVisible();
    m_display.showEntry();
    m_document.setCurrentEntryNumber(m_document.intAt(1));
}

void RegisterCommands::ActionJimeijoEditExecute()
{
    if (rowCount() == 0)
        return;
    m_display.commitPendingEdit();
    const int r0 = m_controls.ListView1->currentIndex().isValid() ? m_controls.ListView1->currentIndex().row() : -1;
    if (r0 < 0)
        return;
    const EntryHeader before = m_model.rowHeader(r0);
    if (!m_entryDialog)
        return;
    TFTelAdd &dlg = *m_entryDialog;
    dlg.mode = TFTelAdd::Mode::Edit;
    dlg.seriesCaption = before.seriesCaption;
    dlg.stripType = before.stripType;
    dlg.extension = before.extension;
    dlg.department = before.department;
    dlg.userName = before.userName;
    dlg.copySource.clear();
    dlg.row = r0;
    dlg.setRegister(m_programFolder, m_controls.ComboBoxSeries->currentText(), m_model.rowHeaders());
    if (dlg.exec() != QDialog::Accepted)
        return;

    const int r = dlg.row;
    if (r < 0 || r >= rowCount())
        return;
    EntryHeader h;
    h.extension = dlg.extension;
    h.department = dlg.department;
    h.userName = dlg.userName;
    h.date = m_model.rowHeader(r).date; // editing keeps the date the entry was registered
    h.seriesCaption = dlg.seriesCaption;
    h.stripType = dlg.stripType;
    // The row follows the header; name plates still showing the old values follow it too.
    const int platesRewritten = nameplate::updateEntryHeader(m_document, r + 1, h);

    if (r != r0) {
        if (m_document.findEntry(r + 1) > 0) {
            selectOnly(r);
            focusListIfVisible();
            showRow(r);
        }
    } else if (m_document.currentEntryNumber() == r + 1) {
        if (platesRewritten > 0)
            m_display.showEntry();
        else
            m_display.refreshCaption();
    }
}

void RegisterCommands::ActionJimeijoDeleteExecute()
{
    QList<int> rows;
    for (const QModelIndex &i : m_controls.ListView1->selectionModel()->selectedRows())
        rows.append(i.row());
    if (rows.isEmpty())
        return;
    m_display.commitPendingEdit();
    std::sort(rows.begin(), rows.end());
    int f = m_controls.ListView1->currentIndex().isValid() ? m_controls.ListView1->currentIndex().row() : rows.constFirst();
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
        m_document.setCurrentHeaderLine(0);
    }
}
