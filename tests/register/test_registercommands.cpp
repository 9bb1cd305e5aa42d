// The file and entry commands of the main window, driven through its
// actions, list and entry dialog.

#include "platform/instancelock.h"
#include "platform/registerlock.h"
#include "platform/textfile.h"
#include "register/series.h"
#include "register/cellrecord.h"
#include "register/stripwalk.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/tftel_add.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QSysInfo>
#include <QProcess>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList extensions()
{
    QStringList out;
    for (int r = 0; r < FMain->rowCount(); ++r)
        out << FMain->listModel()->rowHeader(r).extension;
    return out;
}

// Body of entry n: its lines from the section count to the next marker.
QStringList bodyOf(const RegisterDocument &doc, int n)
{
    const int s = doc.findEntry(n);
    int e = doc.findEntry(n + 1);
    if (e < 1)
        e = doc.lineCount();
    return doc.lines().toStringList().mid(s + 7, e - s - 7);
}

const QList<uitest::Environment::Entry> FiveEntries = {
    {0, "電話機Ａ", "201", "総務部", "山田"}, {0, "電話機Ｂ", "202", "経理部", "佐藤"},
    {3, "電話機Ａ", "203", "営業部", "鈴木"}, {1, "電話機Ａ", "204", "工場", "田中"},
    {7, "ＳＩＰ電話機", "205", "倉庫", "高橋"},
};

} // namespace

class TestRegisterCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openShowsFirstEntry();
    void openFailureLeavesEmptyRegister_data();
    void openFailureLeavesEmptyRegister();
    void damagedRegisterIsTold_data();
    void damagedRegisterIsTold();
    void rowSelectionFollowsSeries_data();
    void rowSelectionFollowsSeries();
    void shownEntryIsTheEditedOne();
    void sharedRegister();
    void registerGoneOrUnreadable_data();
    void registerGoneOrUnreadable();
    void openWhileLocked_data();
    void openWhileLocked();
    void unsavedChangesQuestion_data();
    void unsavedChangesQuestion();
    void saveFailureIsReported();
    void saveAs();
    void deleteEntries_data();
    void deleteEntries();
    void createEntry_data();
    void createEntry();
    void createWithMissingTemplateChangesNothing();
    void editEntry_data();
    void editEntry();
    void editTypedDuplicateIsRefused_data();
    void editTypedDuplicateIsRefused();
    void editRefusesControlCharacters_data();
    void editRefusesControlCharacters();
};

void TestRegisterCommands::openShowsFirstEntry()
{
    uitest::Environment env;
    QList<uitest::Environment::Entry> entries = FiveEntries;
    std::swap(entries[0], entries[2]); // entry 1 is of series 3
    const QString path = env.writeRegister("a.TAV", entries);
    env.start();
    env.dialogs.fileNames << path;
    QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(env.dialogs.shown.size(), 1);
    QCOMPARE(env.dialogs.shown[0].kind, QStringLiteral("open"));
    QCOMPARE(env.dialogs.shown[0].text, QStringLiteral("開く"));
    QCOMPARE(env.dialogs.shown[0].request.filter, QStringLiteral("示名条ﾃﾞｰﾀﾌｧｲﾙ(*.TAV)"));
    QCOMPARE(env.dialogs.shown[0].request.defaultSuffix, QStringLiteral("TAV"));
    QCOMPARE(FMain->rowCount(), 5);
    QCOMPARE(uitest::part<QTreeView>("registerList")->currentIndex().row(), 0);
    QCOMPARE(uitest::part<QTreeView>("registerList")->selectionModel()->selectedRows().size(), 1);
    QVERIFY(uitest::part<QTreeView>("registerList")->hasFocus());
    QCOMPARE(FMain->display().shownEntryNumber(), 1);
    QCOMPARE(FMain->display().shownHeaderLine(), 3);
    QCOMPARE(FMain->document().fileName(), path);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->currentIndex(), 3);
    QCOMPARE(FMain->selSeriesNo(), 3);
    QCOMPARE(uitest::part<QLabel>("entryCaption")->text(), QStringLiteral("内線：203 電話機のタイプ：電話機Ａ 使用者名：鈴木"));
    QCOMPARE(FMain->listModel()->rowHeader(4).seriesCaption, series::caption(7));
    QVERIFY(!FMain->document().isModified());
}

void TestRegisterCommands::openFailureLeavesEmptyRegister_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString format = QStringLiteral("ファイルの書式に誤りがあります。このデータは読み込めません。");
    QTest::newRow("binary junk") << QByteArray("\x01\x02\xff\xfe junk\r\n", 12) << "error" << format;
    QTest::newRow("older layout cut short") << QByteArray("1\r\n201\r\n") << "error" << format;
    QTest::newRow("empty file") << QByteArray() << "error" << format;
    QTest::newRow("count that is no number") << QByteArray("file-version:01.01.00.00\r\nabc\r\n") << "error"
                                             << "";
}

void TestRegisterCommands::openFailureLeavesEmptyRegister()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    uitest::Environment env;
    const QString good = env.writeRegister("good.TAV", FiveEntries);
    const QByteArray goodBytes = fileBytes(good);
    const QString bad = env.dataFolder() + "bad.TAV";
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    env.start();
    env.dialogs.fileNames << good << bad;
    QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(FMain->rowCount(), 5);
    QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(env.dialogs.shown.constLast().kind, kind);
    if (!message.isEmpty())
        QCOMPARE(env.dialogs.shown.constLast().text, message);
    QCOMPARE(FMain->rowCount(), 0);
    QVERIFY(FMain->document().isEmpty());
    QVERIFY(FMain->document().fileName().isEmpty());
    QVERIFY(uitest::part<QLabel>("entryCaption")->text().isEmpty());
    // A later save has nothing to write and cannot reach the earlier file.
    QTest::keyClick(FMain, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(fileBytes(good), goodBytes);
    QVERIFY(!env.dialogs.anyUnanswered());
}

void TestRegisterCommands::damagedRegisterIsTold_data()
{
    // A register damaged elsewhere opens with what can be listed; the
    // window says once what the check found, before the list shows it.
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("problem"); // the first one, with its line
    QTest::newRow("cut short: 14 entries said, 5 present") << "count" << 5
                                                          << "行目: 示名条 6 がありません（ファイルの終わり）";
    QTest::newRow("a cell's line count past the next entry") << "cell" << 5 << "行目: 示名条 2: ";
    QTest::newRow("sound") << "" << 5 << "";
}

void TestRegisterCommands::damagedRegisterIsTold()
{
    QFETCH(QString, damage);
    QFETCH(int, listed);
    QFETCH(QString, problem);
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    {
        RegisterDocument doc;
        doc.load(path);
        if (damage == "count")
            doc.setLine(1, QStringLiteral("14"));
        else if (damage == "cell")
            doc.setLine(strip::locateCell(doc.lines(), doc.findEntry(2) + 1, 0) + regfmt::cell::TextCount,
                        QStringLiteral("40"));
        doc.save(path);
    }
    env.start();
    QList<int> rowsWhenTold;
    env.dialogs.whileShown = [&] { rowsWhenTold << FMain->rowCount(); };
    env.dialogs.fileNames << path;
    QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    env.dialogs.whileShown = nullptr;
    const QStringList told = env.dialogs.texts("warning");
    QCOMPARE(told.size(), problem.isEmpty() ? 0 : 1);
    if (!problem.isEmpty()) {
        QVERIFY2(told.constFirst().startsWith(path + QStringLiteral(" の登録内容に誤りがあります")), qPrintable(told.constFirst()));
        QVERIFY2(told.constFirst().contains(problem), qPrintable(told.constFirst()));
        QCOMPARE(rowsWhenTold, QList<int>{0}); // before the list shows the entries
    }
    QCOMPARE(FMain->rowCount(), listed);
    QCOMPARE(FMain->document().fileName(), path);
    QVERIFY(!FMain->document().isModified());
    QVERIFY(!env.dialogs.anyUnanswered());
}

void TestRegisterCommands::rowSelectionFollowsSeries_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("series");
    QTest::newRow("series 1") << 0 << 3 << 1;
    QTest::newRow("series 7") << 0 << 4 << 7;
    QTest::newRow("unknown caption keeps the series") << 4 << 2 << 7;
}

void TestRegisterCommands::rowSelectionFollowsSeries()
{
    QFETCH(int, first);
    QFETCH(int, row);
    QFETCH(int, series);
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    {
        // Entry 3 names a series that is none of the eight.
        RegisterDocument doc;
        doc.load(path);
        doc.setLine(doc.findEntry(3) + 5, QStringLiteral("旧型主装置"));
        doc.save(path);
    }
    env.start(path);
    QCOMPARE(FMain->selSeriesNo(), 0);
    for (int r : {first, row})
        uitest::clickRow(r);
    QCOMPARE(FMain->display().shownEntryNumber(), row + 1);
    QCOMPARE(FMain->display().shownHeaderLine(), FMain->document().findEntry(row + 1) + 1);
    QCOMPARE(uitest::part<QLabel>("entryCaption")->text().section(u' ', 0, 0), "内線：" + FMain->listModel()->rowHeader(row).extension);
    QCOMPARE(FMain->selSeriesNo(), series);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->currentIndex(), series);
    // Keys move the selection as well.
    QTest::keyClick(uitest::part<QTreeView>("registerList"), Qt::Key_Up);
    QCOMPARE(FMain->display().shownEntryNumber(), row);
}

void TestRegisterCommands::shownEntryIsTheEditedOne()
{
    // Ctrl+click on the shown row deselects it: the strip stays on it, the
    // row it is focused on, which 示名条の編集 edits.
    uitest::Environment env;
    env.start(env.writeRegister("a.TAV", FiveEntries));
    QTreeView *list = uitest::part<QTreeView>("registerList");
    const auto ctrlClick = [&](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualRect(FMain->listModel()->index(row, 1)).center());
    };
    uitest::clickRow(1);
    ctrlClick(3);
    QCOMPARE(FMain->display().shownEntryNumber(), 4);
    ctrlClick(3);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->currentIndex().row(), 3);
    QCOMPARE(FMain->display().shownEntryNumber(), 4);
    QVERIFY(uitest::part<QLabel>("entryCaption")->text().startsWith(QStringLiteral("内線：204")));
    QString edited;
    uitest::whenEntryDialogShown([&](TFTelAdd &d) { edited = uitest::child<QLineEdit>(&d, "extensionEdit")->text(); });
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::keyClick(list, Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_E);
    QTRY_COMPARE(edited, QStringLiteral("204"));
}

void TestRegisterCommands::sharedRegister()
{
    // The window and tavrel-cli on one register: two processes.
    uitest::Environment env;
    const QString path = env.writeRegister("shared.TAV", FiveEntries);
    env.start(path);
    const QString lockPath = RegisterLock::lockPath(path);
    QVERIFY(QFile::exists(lockPath));
    QCOMPARE(RegisterLock::probe(path).state, RegisterLock::State::Ours);
    const auto cli = [&](QStringList args) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        args.insert(1, path);
        p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"), args);
        return p.waitForFinished(30000) ? p.exitCode() : -1;
    };
    const QByteArray opened = fileBytes(path);
    QCOMPARE(cli({"text", "--entry", "2", "--cell", "0", "cli"}), 1); // the window holds it
    QCOMPARE(fileBytes(path), opened);
    QCOMPARE(cli({"text", "--entry", "2", "--cell", "0", "cli", "--force"}), 0);
    QVERIFY(QFile::exists(lockPath)); // still the window's

    // The window notices the change once; with nothing unsaved it offers to
    // read the file again (declined here).
    QTRY_VERIFY_WITH_TIMEOUT(env.dialogs.texts("question").size() == 1, 8000);
    QVERIFY(env.dialogs.texts("question").constFirst().contains(QStringLiteral("ほかで変更されました")));
    // Save asks before overwriting the other change: キャンセル writes
    // nothing, はい overwrites.
    const QByteArray changed = fileBytes(path);
    FMain->document().setLine(FMain->document().findEntry(1) + 2, QStringLiteral("window"));
    env.dialogs.answers << UserDialogs::Answer::Cancel;
    QTest::keyClick(FMain, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(env.dialogs.texts("question").constLast().contains(QStringLiteral("上書きしますか")));
    QCOMPARE(fileBytes(path), changed);
    env.dialogs.answers << UserDialogs::Answer::Yes;
    QTest::keyClick(FMain, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(fileBytes(path) != changed);
    QVERIFY(!FMain->document().isModified());

    // A second window (here: the lock of another live process) is told who
    // has the register open; New gives the lock back.
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonNew"), Qt::LeftButton);
    QVERIFY(!QFile::exists(lockPath));
    {
        QFile f(lockPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("someone\nelsewhere\n77\n%1\n").arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate)).toUtf8());
    }
    env.dialogs.fileNames << path;
    env.dialogs.answers << UserDialogs::Answer::No;
    QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(env.dialogs.texts("question").constLast().contains(QStringLiteral("someone")));
    QCOMPARE(FMain->rowCount(), 0);
    QFile::remove(lockPath);
}

void TestRegisterCommands::registerGoneOrUnreadable_data()
{
    // Another program removes, moves or spoils the open register: the
    // window keeps what it holds, marked as not saved, and says what
    // happened once.
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("edited"); // the window has unsaved changes
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("told"); // the question's words
    QTest::addColumn<bool>("savedAs");
    const int yes = int(UserDialogs::Answer::Yes), no = int(UserDialogs::Answer::No);
    const QString gone = QStringLiteral(" がほかで削除されたか移動されました。\n表示している内容は保存されていません。\n名前を付けて保存しますか？");
    QTest::newRow("removed, saved under another name") << "removed" << false << yes << gone << true;
    QTest::newRow("removed with changes, not saved") << "removed" << true << no << gone << false;
    QTest::newRow("moved away") << "moved" << false << no << gone << false;
    QTest::newRow("spoilt, read again") << "junk" << false << yes << QStringLiteral(" がほかで変更されました。\n読み込み直しますか？")
                                      << false;
}

void TestRegisterCommands::registerGoneOrUnreadable()
{
    QFETCH(QString, change);
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(QString, told);
    QFETCH(bool, savedAs);
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    env.start(path);
    uitest::clickRow(2);
    if (edited)
        FMain->document().setLine(4, QStringLiteral("人事部"));
    const QStringList lines = FMain->document().lines().toStringList();
    env.dialogs.answers << UserDialogs::Answer(answer);
    const QString saved = env.dataFolder() + QStringLiteral("saved.TAV");
    if (savedAs)
        env.dialogs.fileNames << saved;

    QProcess other;
    if (change == "removed")
        other.start(QStringLiteral("rm"), {path});
    else if (change == "moved")
        other.start(QStringLiteral("mv"), {path, path + QStringLiteral(".old")});
    else
        other.start(QStringLiteral("sh"), {"-c", "printf 'not a register' > \"$1.tmp\" && mv \"$1.tmp\" \"$1\"", "sh", path});
    QVERIFY(other.waitForFinished());
    QCOMPARE(other.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!env.dialogs.texts("question").isEmpty(), 8000);
    QTest::qWait(300);
    QCOMPARE(env.dialogs.texts("question"), QStringList{path + told});
    QCOMPARE(env.dialogs.texts("error").size(), change == "junk" ? 1 : 0);
    // Nothing the window held is lost.
    QCOMPARE(FMain->document().lines().toStringList(), lines);
    QCOMPARE(FMain->rowCount(), 5);
    QCOMPARE(FMain->display().shownEntryNumber(), 3);
    QVERIFY(uitest::part<QLabel>("entryCaption")->text().startsWith(QStringLiteral("内線：203")));
    QCOMPARE(FMain->document().fileName(), savedAs ? saved : path);
    QCOMPARE(FMain->document().isModified(), !savedAs);
    if (savedAs) {
        RegisterDocument reread;
        reread.load(saved);
        QCOMPARE(reread.lines().toStringList(), lines);
    }
    QVERIFY(!env.dialogs.anyUnanswered());
    // Closing asks about the unsaved lines.
    env.dialogs.answers << UserDialogs::Answer::Cancel;
    QCOMPARE(FMain->close(), savedAs);
}

void TestRegisterCommands::openWhileLocked_data()
{
    QTest::addColumn<QString>("holder");
    QTest::newRow("another window, then killed") << "window";
    QTest::newRow("garbage lock") << "garbage";
    QTest::newRow("process id reused after a reboot") << "reused";
    QTest::newRow("folder without room for a lock") << "full";
}

void TestRegisterCommands::openWhileLocked()
{
    QFETCH(QString, holder);
    uitest::Environment env;
    QString path = env.writeRegister("site.TAV", FiveEntries);
    struct Cleanup
    {
        QProcess window;
        QString mount;
        ~Cleanup()
        {
            if (window.state() != QProcess::NotRunning) {
                window.kill();
                window.waitForFinished();
            }
            if (!mount.isEmpty())
                QProcess::execute(QStringLiteral("umount"), {mount});
        }
    } cleanup;
    QTemporaryDir runtime, settings, folder;
    if (holder == "window") {
        // A second window: the real program with its own settings and
        // runtime folders (so it is no second instance of this one).
        QVERIFY(QFile::copy(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), env.executablePath()));
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), settings.path());
        e.insert(QStringLiteral("APPDATA"), settings.path());
        cleanup.window.setProcessEnvironment(e);
        cleanup.window.start(env.executablePath(), {path});
        QTRY_COMPARE_WITH_TIMEOUT(RegisterLock::probe(path).state, RegisterLock::State::Live, 15000);
        QCOMPARE(RegisterLock::probe(path).holder.pid, cleanup.window.processId());
    } else if (holder == "garbage") {
        QFile f(RegisterLock::lockPath(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xff\x00garbage\n\n\n");
    } else if (holder == "reused") {
        // PID 1 is alive, but not the process that wrote this lock.
        QFile f(RegisterLock::lockPath(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("someone\n%1\n1\n%2\n%3\n999999999999\ntavrel\n")
                    .arg(QSysInfo::machineHostName(), QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
                         RegisterLock::bootId())
                    .toUtf8());
    } else {
        // A folder where the register can be written but no new file made:
        // a read-only share (for root, whom permissions do not stop, a file
        // system without a free inode).
        if (geteuid() == 0) {
            cleanup.mount = folder.path();
            if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1m,nr_inodes=2", "tmpfs", cleanup.mount}) != 0) {
                cleanup.mount.clear();
                QSKIP("needs mount -t tmpfs");
            }
        }
        const QString moved = folder.filePath(QStringLiteral("site.TAV"));
        QVERIFY(QFile::copy(path, moved));
        path = moved;
        if (geteuid() != 0)
            QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    const QString lockPath = RegisterLock::lockPath(path);
    const QByteArray lockBefore = fileBytes(lockPath);
    env.start();
    const auto open = [&](UserDialogs::Answer answer) {
        env.dialogs.fileNames << path;
        env.dialogs.answers << answer;
        QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    };
    if (holder == "window") {
        // Told who has it (the other process, named by its id); declined.
        open(UserDialogs::Answer::No);
        QVERIFY(env.dialogs.texts("question").constLast().contains(
            QStringLiteral("プロセス %1").arg(cleanup.window.processId())));
        QCOMPARE(FMain->rowCount(), 0);
        QCOMPARE(fileBytes(lockPath), lockBefore);
        // Killed, the other window leaves its lock; it is taken over unasked.
        cleanup.window.kill();
        QVERIFY(cleanup.window.waitForFinished());
        QCOMPARE(RegisterLock::probe(path).state, RegisterLock::State::Dead);
        const int asked = env.dialogs.texts("question").size();
        open(UserDialogs::Answer::No);
        QCOMPARE(env.dialogs.texts("question").size(), asked);
        QCOMPARE(RegisterLock::probe(path).state, RegisterLock::State::Ours);
    } else if (holder == "reused") {
        // Taken over without a question, the old lock gone.
        open(UserDialogs::Answer::No);
        QVERIFY(env.dialogs.texts("question").isEmpty());
        QCOMPARE(RegisterLock::probe(path).holder.pid, QCoreApplication::applicationPid());
        QCOMPARE(RegisterLock::probe(path).state, RegisterLock::State::Ours);
    } else if (holder == "garbage") {
        // Offered as a stale lock, taken when the user says so.
        open(UserDialogs::Answer::Yes);
        QVERIFY(env.dialogs.texts("question").constLast().contains(QStringLiteral("古いロックファイル")));
        QCOMPARE(RegisterLock::probe(path).state, RegisterLock::State::Ours);
    } else {
        // Opened without a lock, told once (not again when opened again).
        open(UserDialogs::Answer::Yes);
        open(UserDialogs::Answer::Yes);
        QCOMPARE(env.dialogs.texts("message").size(), 1);
        QVERIFY(env.dialogs.texts("message").constFirst().contains(QStringLiteral("ロックなしで開きます")));
        QVERIFY(!QFile::exists(lockPath));
    }
    QCOMPARE(FMain->rowCount(), 5);
    QCOMPARE(FMain->document().fileName(), path);
    // New lets go of the register (its flock too), so the folder can go.
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonNew"), Qt::LeftButton);
}

void TestRegisterCommands::unsavedChangesQuestion_data()
{
    // A command that asks about the unsaved changes: 新規作成, 開く, the
    // close box, and a later start of the program handing over another
    // file. `replaced`: another program has written the register meanwhile,
    // so saving asks before overwriting (いいえ: 名前を付けて保存, cancelled
    // here). Whatever ends in キャンセル or writes nothing stops the command.
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");
    const int yes = int(UserDialogs::Answer::Yes), no = int(UserDialogs::Answer::No),
              cancel = int(UserDialogs::Answer::Cancel);
    for (const char *command : {"new", "open", "close", "handover"}) {
        QTest::addRow("%s: yes", command) << command << false << QList<int>{yes} << true << true;
        QTest::addRow("%s: no", command) << command << false << QList<int>{no} << true << false;
        QTest::addRow("%s: cancel", command) << command << false << QList<int>{cancel} << false << false;
        QTest::addRow("%s, replaced: overwrite cancelled", command) << command << true << QList<int>{yes, cancel}
                                                                     << false << false;
        QTest::addRow("%s, replaced: save as cancelled", command) << command << true << QList<int>{yes, no} << false
                                                                   << false;
        QTest::addRow("%s, replaced: overwritten", command) << command << true << QList<int>{yes, yes} << true << true;
    }
}

void TestRegisterCommands::unsavedChangesQuestion()
{
    QFETCH(QString, command);
    QFETCH(bool, replaced);
    QFETCH(QList<int>, answers);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    const QString other = env.writeRegister("b.TAV", FiveEntries.mid(0, 2));
    // The later start finds this test holding the program's lock and hands
    // its file over on the socket beside it, as to the running program.
    QTemporaryDir runtime;
    std::unique_ptr<InstanceLock> instance;
    if (command == "handover") {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        instance = std::make_unique<InstanceLock>(QStringLiteral("tavrel"));
        QVERIFY(instance->acquired());
        QVERIFY(TavrelApplication::listenForLaterStarts(instance->path()));
    }
    env.start(path);
    FMain->document().setLine(4, QStringLiteral("人事部"));
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    e.insert(QStringLiteral("APPDATA"), runtime.path());
    if (replaced) {
        QProcess cli;
        cli.setProcessEnvironment(e);
        cli.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"),
                  {"text", path, "--entry", "2", "--cell", "0", "cli", "--force"});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(env.dialogs.texts("message").size() == 1, 8000);
        QVERIFY(env.dialogs.texts("message").constFirst().contains(QStringLiteral("ほかで変更されました")));
    }
    const QByteArray before = fileBytes(path);

    for (int a : answers)
        env.dialogs.answers << UserDialogs::Answer(a);
    if (replaced && answers.value(1) == int(UserDialogs::Answer::No))
        env.dialogs.fileNames << ""; // 名前を付けて保存 cancelled
    if (command == "open")
        env.dialogs.fileNames << other;
    const qsizetype namesBefore = env.dialogs.fileNames.size();
    if (command == "close") {
        QCOMPARE(FMain->close(), goesOn);
    } else if (command == "handover") {
        QProcess later;
        later.setProcessEnvironment(e);
        later.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), {other});
        QVERIFY(later.waitForFinished(10000));
        QCOMPARE(later.exitCode(), 1);
        QTRY_VERIFY(env.dialogs.answers.isEmpty());
        QTest::qWait(300);
    } else {
        (command == "new" ? uitest::part<QAction>("ActionFileNew") : uitest::part<QAction>("ActionFileOpen"))->trigger();
    }
    QVERIFY(env.dialogs.answers.isEmpty());
    const QStringList questions = env.dialogs.texts("question");
    QCOMPARE(questions.size(), answers.size());
    QCOMPARE(questions.constFirst(), QStringLiteral("示名条データが変更されています。\n保存しますか？"));
    if (replaced)
        QVERIFY(questions.at(1).contains(QStringLiteral("上書きしますか")));
    const auto asked = std::find_if(env.dialogs.shown.cbegin(), env.dialogs.shown.cend(),
                                    [](const ScriptedUserDialogs::Shown &b) { return b.kind == "question"; });
    QCOMPARE(asked->buttons, UserDialogs::Buttons::YesNoCancel);
    QCOMPARE(asked->defaultAnswer, UserDialogs::Answer::Yes);
    QCOMPARE(fileBytes(path) != before, saved);
    if (command == "close") {
        QCOMPARE(FMain->isVisible(), !goesOn);
        QCOMPARE(FMain->document().isModified(), !saved);
        return;
    }
    const int expectedRows = !goesOn ? 5 : command == "new" ? 0 : 2;
    QCOMPARE(FMain->rowCount(), expectedRows);
    if (!goesOn) {
        QCOMPARE(FMain->document().line(4), QStringLiteral("人事部"));
        QVERIFY(FMain->document().isModified());
        QCOMPARE(FMain->document().fileName(), path);
        QCOMPARE(env.dialogs.fileNames.size(), namesBefore - (replaced && answers.value(1) == int(UserDialogs::Answer::No)));
    } else {
        QVERIFY(!FMain->document().isModified());
        QCOMPARE(FMain->document().fileName(), command == "new" ? QString() : other);
        QCOMPARE(uitest::part<QLabel>("entryCaption")->text().isEmpty(), command == "new");
    }
    if (saved) {
        RegisterDocument reread;
        reread.load(path);
        QCOMPARE(reread.line(4), QStringLiteral("人事部"));
    }
}

void TestRegisterCommands::saveFailureIsReported()
{
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    const QByteArray before = fileBytes(path);
    env.start(path);
    // A character that code page 932 cannot hold.
    FMain->document().setLine(4, QStringLiteral("部署\U0001F600"));
    QTest::keyClick(FMain, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(env.dialogs.texts("exception").size(), 1);
    QVERIFY(env.dialogs.texts("exception").constFirst().contains(QStringLiteral("内線番号 201")));
    QCOMPARE(fileBytes(path), before);
    QVERIFY(FMain->document().isModified());

    // The question's Yes runs that save: the failure stops the command.
    env.dialogs.answers << UserDialogs::Answer::Yes;
    QVERIFY(!FMain->close());
    QVERIFY(FMain->isVisible());
    QCOMPARE(env.dialogs.texts("exception").size(), 2);
    QCOMPARE(fileBytes(path), before);
}

void TestRegisterCommands::saveAs()
{
    uitest::Environment env;
    env.start();
    // Nothing to save in an empty register: no dialog.
    uitest::part<QAction>("ActionFileSaveAs")->trigger();
    uitest::part<QAction>("ActionFileSave")->trigger();
    QVERIFY(env.dialogs.shown.isEmpty());

    uitest::whenEntryDialogShown([](TFTelAdd &d) {
        QTest::keyClicks(uitest::child<QLineEdit>(&d, "extensionEdit"), "201");
        uitest::child<QPushButton>(&d, "ButtonOk")->click();
    });
    uitest::part<QAction>("ActionJimeijoNew")->trigger();
    QCOMPARE(FMain->rowCount(), 1);
    // Unnamed: Save runs Save As; a cancelled dialog keeps it unnamed.
    env.dialogs.fileNames << "";
    uitest::part<QAction>("ActionFileSave")->trigger();
    QCOMPARE(env.dialogs.shown.constLast().kind, QStringLiteral("save"));
    QCOMPARE(env.dialogs.shown.constLast().text, QStringLiteral("名前を付けて保存"));
    QVERIFY(FMain->document().fileName().isEmpty());
    QVERIFY(FMain->document().isModified());
    // The question's Yes with the save dialog cancelled keeps the register.
    env.dialogs.answers << UserDialogs::Answer::Yes;
    env.dialogs.fileNames << "";
    uitest::part<QAction>("ActionFileNew")->trigger();
    QCOMPARE(FMain->rowCount(), 1);
    QVERIFY(FMain->document().isModified());
    const QString path = env.dataFolder() + "new.TAV";
    env.dialogs.fileNames << path;
    uitest::part<QAction>("ActionFileSave")->trigger();
    QCOMPARE(FMain->document().fileName(), path);
    QVERIFY(!FMain->document().isModified());
    RegisterDocument reread;
    QCOMPARE(reread.load(path).size(), 1);
    QCOMPARE(reread.lines().toStringList(), FMain->document().lines().toStringList());
}

void TestRegisterCommands::deleteEntries_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("focused");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("shownRow");
    QTest::newRow("rows 1 and 2, focus on 2") << 5 << QList<int>{1, 2} << 2 << false << int(UserDialogs::Answer::Yes)
                                              << QStringList{"201", "204", "205"} << 2;
    QTest::newRow("Delete key, last row") << 5 << QList<int>{4} << 4 << true << int(UserDialogs::Answer::Yes)
                                          << QStringList{"201", "202", "203", "204"} << 3;
    QTest::newRow("answered no") << 5 << QList<int>{0, 3} << 3 << true << int(UserDialogs::Answer::No)
                                 << QStringList{"201", "202", "203", "204", "205"} << 3;
    QTest::newRow("the only entry") << 1 << QList<int>{0} << 0 << false << int(UserDialogs::Answer::Yes)
                                    << QStringList{} << -1;
}

void TestRegisterCommands::deleteEntries()
{
    QFETCH(int, entries);
    QFETCH(QList<int>, selected);
    QFETCH(int, focused);
    QFETCH(bool, byKey);
    QFETCH(int, answer);
    QFETCH(QStringList, remaining);
    QFETCH(int, shownRow);
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries.mid(0, entries));
    env.start(path);
    QTreeView *list = uitest::part<QTreeView>("registerList");
    list->selectionModel()->setCurrentIndex(list->model()->index(focused, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    for (int r : selected)
        list->selectionModel()->select(list->model()->index(r, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QStringList bodies = [&] {
        QStringList b;
        for (int n = 1; n <= entries; ++n)
            b << bodyOf(FMain->document(), n).join(u'\n');
        return b;
    }();

    env.dialogs.answers << UserDialogs::Answer(answer);
    if (byKey) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
    } else {
        uitest::part<QAction>("ActionJimeijoDelete")->trigger();
    }
    QCOMPARE(env.dialogs.texts("question"), QStringList{QStringLiteral("示名条データ削除します。\nよろしいですか？")});
    QCOMPARE(env.dialogs.shown.constLast().buttons, UserDialogs::Buttons::YesNo);
    QCOMPARE(env.dialogs.shown.constLast().defaultAnswer, UserDialogs::Answer::No);
    QCOMPARE(extensions(), remaining);
    const RegisterDocument &doc = FMain->document();
    if (remaining.isEmpty()) {
        QVERIFY(doc.isEmpty());
        QVERIFY(doc.isModified()); // loaded from a file, now empty
        QVERIFY(uitest::part<QLabel>("entryCaption")->text().isEmpty());
        QCOMPARE(FMain->display().shownHeaderLine(), 0);
        QCOMPARE(FMain->display().shownEntryNumber(), 0);
        return;
    }
    QCOMPARE(doc.intAt(1), remaining.size());
    for (int r = 0; r < remaining.size(); ++r) {
        const int n = remaining.at(r).toInt() - 200; // former entry number
        QCOMPARE(doc.headerOfEntry(r + 1).extension, remaining.at(r));
        QCOMPARE(bodyOf(doc, r + 1).join(u'\n'), bodies.at(n - 1));
    }
    QCOMPARE(list->currentIndex().row(), shownRow);
    QCOMPARE(list->selectionModel()->selectedRows().size(), answer == int(UserDialogs::Answer::Yes) ? 1 : 2);
    if (answer == int(UserDialogs::Answer::Yes)) {
        QCOMPARE(FMain->display().shownEntryNumber(), shownRow + 1);
        QCOMPARE(FMain->display().shownHeaderLine(), doc.findEntry(shownRow + 1) + 1);
        QVERIFY(uitest::part<QLabel>("entryCaption")->text().startsWith("内線：" + remaining.at(shownRow) + " "));
    }
}

void TestRegisterCommands::createEntry_data()
{
    QTest::addColumn<int>("copySourceItem");
    QTest::addColumn<int>("sourceEntry");
    QTest::newRow("from the template") << 0 << 0;
    QTest::newRow("copy of entry 4") << 3 << 4; // items: none, 201, 203, 204 (all of 電話機Ａ)
}

void TestRegisterCommands::createEntry()
{
    QFETCH(int, copySourceItem);
    QFETCH(int, sourceEntry);
    uitest::Environment env;
    QList<uitest::Environment::Entry> entries = FiveEntries;
    entries[3].series = 0;
    const QString path = env.writeRegister("a.TAV", entries);
    env.start(path);
    RegisterDocument &doc = FMain->document();
    // Give entry 4 a text of its own, so that a copy is told from the template.
    const int cell = doc.findEntry(4) + 14; // marker, header, section count, section header
    doc.setLine(cell + 32, QStringLiteral("1"));
    doc.insertLines(cell + 33, {QStringLiteral("受付")});
    const QStringList templateBody = bodyOf(doc, 1);

    const QDateTime before = QDateTime::currentDateTime();
    uitest::whenEntryDialogShown([&](TFTelAdd &d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("示名条の作成"));
        QCOMPARE(uitest::child<QLabel>(&d, "pnlSeries")->text(), series::caption(0));
        QCOMPARE(uitest::child<QComboBox>(&d, "copySourceBox")->count(), 4);
        QTest::keyClicks(uitest::child<QLineEdit>(&d, "extensionEdit"), " 206 ");
        uitest::child<QLineEdit>(&d, "userNameEdit")->setText("伊藤");
        uitest::child<QComboBox>(&d, "copySourceBox")->setCurrentIndex(copySourceItem);
        uitest::child<QPushButton>(&d, "ButtonOk")->click();
    });
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonJimeijoNew"), Qt::LeftButton);
    QCOMPARE(FMain->rowCount(), 6);
    const EntryHeader h = doc.headerOfEntry(6);
    QCOMPARE(h.extension, QStringLiteral("206"));
    QCOMPARE(h.userName, QStringLiteral("伊藤"));
    QCOMPARE(h.seriesCaption, series::caption(0));
    QCOMPARE(h.stripType, QStringLiteral("電話機Ａ"));
    QCOMPARE(FMain->listModel()->rowHeader(5), h);
    QVERIFY(qAbs(QDateTime::fromString(h.date, "yyyy/MM/dd HH:mm").secsTo(before)) < 120);
    QCOMPARE(bodyOf(doc, 6), sourceEntry ? bodyOf(doc, sourceEntry) : templateBody);
    QCOMPARE(doc.intAt(1), 6);
    QCOMPARE(FMain->display().shownEntryNumber(), 6);
    QCOMPARE(FMain->display().shownHeaderLine(), doc.findEntry(6) + 1);
    QCOMPARE(uitest::part<QTreeView>("registerList")->currentIndex().row(), 5);
    QCOMPARE(uitest::part<QTreeView>("registerList")->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(uitest::part<QLabel>("entryCaption")->text(), QStringLiteral("内線：206 電話機のタイプ：電話機Ａ 使用者名：伊藤"));
}

void TestRegisterCommands::createWithMissingTemplateChangesNothing()
{
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    env.start(path);
    uitest::part<QTreeView>("registerList")->setCurrentIndex(uitest::part<QTreeView>("registerList")->model()->index(1, 0));
    const QStringList lines = FMain->document().lines().toStringList();
    const QString caption = uitest::part<QLabel>("entryCaption")->text();
    uitest::whenEntryDialogShown([&](TFTelAdd &d) {
        uitest::child<QComboBox>(&d, "cmbType")->setCurrentIndex(1); // 電話機Ｂ
        QFile::remove(env.programFolder() + QStringLiteral("電話機Ｂ.tpl"));
        QTest::keyClicks(uitest::child<QLineEdit>(&d, "extensionEdit"), "299");
        uitest::child<QPushButton>(&d, "ButtonOk")->click();
    });
    uitest::part<QAction>("ActionJimeijoNew")->trigger();
    QCOMPARE(env.dialogs.texts("error"), QStringList{QStringLiteral("テンプレートが存在しません。")});
    QCOMPARE(FMain->document().lines().toStringList(), lines);
    QCOMPARE(FMain->rowCount(), 5);
    QCOMPARE(FMain->display().shownEntryNumber(), 2);
    QCOMPARE(uitest::part<QTreeView>("registerList")->currentIndex().row(), 1);
    QCOMPARE(uitest::part<QLabel>("entryCaption")->text(), caption);
}

void TestRegisterCommands::editEntry_data()
{
    QTest::addColumn<bool>("byDoubleClick");
    QTest::addColumn<int>("pickRow");
    QTest::newRow("menu, same entry") << false << -1;
    QTest::newRow("double-click, same entry") << true << -1;
    QTest::newRow("switch to entry 4") << false << 3;
}

void TestRegisterCommands::editEntry()
{
    QFETCH(bool, byDoubleClick);
    QFETCH(int, pickRow);
    uitest::Environment env;
    QList<uitest::Environment::Entry> entries = FiveEntries;
    entries[3].date = "2001/02/03 04:05";
    entries[1].date = "2002/03/04 05:06";
    const QString path = env.writeRegister("a.TAV", entries);
    env.start(path);
    QTreeView *list = uitest::part<QTreeView>("registerList");
    uitest::clickRow(1);
    const QRect rowRect = list->visualRect(list->model()->index(1, 0)).united(list->visualRect(list->model()->index(1, 5)));
    QCOMPARE(FMain->display().shownEntryNumber(), 2);
    const QStringList bodyBefore = bodyOf(FMain->document(), pickRow < 0 ? 2 : pickRow + 1);

    uitest::whenEntryDialogShown([&](TFTelAdd &d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("示名条の編集"));
        QCOMPARE(uitest::child<QComboBox>(&d, "ComboBoxExternal")->currentText(), QStringLiteral("202"));
        if (pickRow >= 0)
            uitest::pickFromList(uitest::child<QComboBox>(&d, "ComboBoxExternal"), pickRow);
        uitest::child<QLineEdit>(&d, "departmentEdit")->setText(QStringLiteral("  新部署 "));
        uitest::child<QPushButton>(&d, "ButtonOk")->click();
    });
    if (byDoubleClick)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowRect.center());
    else
        uitest::part<QAction>("ActionJimeijoEdit")->trigger();

    const int r = pickRow < 0 ? 1 : pickRow;
    const EntryHeader h = FMain->document().headerOfEntry(r + 1);
    QCOMPARE(h.department, QStringLiteral("新部署"));
    QCOMPARE(h.date, entries[r].date); // the registration date is kept
    QCOMPARE(h.extension, entries[r].extension);
    QCOMPARE(FMain->listModel()->rowHeader(r), h);
    QCOMPARE(bodyOf(FMain->document(), r + 1), bodyBefore);
    QCOMPARE(FMain->document().headerOfEntry(2).department,
             pickRow < 0 ? QStringLiteral("新部署") : QStringLiteral("経理部"));
    QCOMPARE(FMain->display().shownEntryNumber(), r + 1);
    QCOMPARE(list->currentIndex().row(), r);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QVERIFY(uitest::part<QLabel>("entryCaption")->text().startsWith("内線：" + entries[r].extension + " "));
    QCOMPARE(FMain->selSeriesNo(), entries[r].series);
}

void TestRegisterCommands::editTypedDuplicateIsRefused_data()
{
    QTest::addColumn<QList<int>>("keys"); // what ends the typing before OK
    QTest::newRow("Tab, then Enter") << QList<int>{Qt::Key_Tab, Qt::Key_Return};
    QTest::newRow("Enter") << QList<int>{Qt::Key_Return};
    QTest::newRow("Tab, Tab, then Enter") << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Enter};
}

void TestRegisterCommands::editTypedDuplicateIsRefused()
{
    QFETCH(QList<int>, keys);
    // Typing another entry's extension is typing, not picking that entry:
    // leaving the box or pressing Enter must not switch the dialog to 1002.
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", {{0, "電話機Ａ", "1001", "総務部", "山田"},
                                                     {0, "電話機Ｂ", "1002", "経理部", "佐藤"},
                                                     {0, "電話機Ａ", "1003", "営業部", "鈴木"}});
    env.start(path);
    uitest::clickRow(2);
    QCOMPARE(FMain->display().shownEntryNumber(), 3);
    const QStringList before = FMain->document().lines().toStringList();
    bool checked = false;
    uitest::whenEntryDialogShown([&](TFTelAdd &d) {
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QLineEdit *box = uitest::child<QComboBox>(&d, "ComboBoxExternal")->lineEdit();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, "1002");
        for (int key : keys)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QVERIFY(d.isVisible());
        QCOMPARE(env.dialogs.texts("message"), QStringList{TFTelAdd::DuplicateMessage});
        QCOMPARE(uitest::child<QComboBox>(&d, "ComboBoxExternal")->currentText(), QStringLiteral("1002"));
        QCOMPARE(box->selectedText(), QStringLiteral("1002"));
        QVERIFY(box->hasFocus());
        // What the dialog shows is still entry 1003's.
        QCOMPARE(uitest::child<QLineEdit>(&d, "departmentEdit")->text(), QStringLiteral("営業部"));
        QCOMPARE(uitest::child<QLineEdit>(&d, "userNameEdit")->text(), QStringLiteral("鈴木"));
        QCOMPARE(uitest::child<QComboBox>(&d, "cmbType")->currentText(), QStringLiteral("電話機Ａ"));
        checked = true;
    });
    uitest::part<QAction>("ActionJimeijoEdit")->trigger();
    QVERIFY(checked);
    QCOMPARE(FMain->document().lines().toStringList(), before);
    QCOMPARE(FMain->display().shownEntryNumber(), 3);
    QCOMPARE(uitest::part<QTreeView>("registerList")->currentIndex().row(), 2);
}

void TestRegisterCommands::editRefusesControlCharacters_data()
{
    QTest::addColumn<int>("box"); // 1 extension, 2 department, 3 user name
    QTest::addColumn<QString>("pasted");
    QTest::newRow("department with a line break") << 2 << "経理\n第二課";
    QTest::newRow("user name with a carriage return") << 3 << "佐藤\r花子";
    QTest::newRow("extension with a tab inside") << 1 << "12\t34";
    QTest::newRow("department with an escape") << 2 << QStringLiteral("経理") + QChar(0x1B) + "部";
}

void TestRegisterCommands::editRefusesControlCharacters()
{
    QFETCH(int, box);
    QFETCH(QString, pasted);
    // A line break pasted into a box would split the register's line and
    // shift every line after it; the dialog refuses it and stays open.
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", FiveEntries);
    env.start(path);
    uitest::clickRow(1);
    const QStringList before = FMain->document().lines().toStringList();
    bool checked = false;
    uitest::whenEntryDialogShown([&](TFTelAdd &d) {
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QLineEdit *edit = box == 1 ? uitest::child<QComboBox>(&d, "ComboBoxExternal")->lineEdit() : box == 2 ? uitest::child<QLineEdit>(&d, "departmentEdit") : uitest::child<QLineEdit>(&d, "userNameEdit");
        QTRY_VERIFY(uitest::child<QComboBox>(&d, "ComboBoxExternal")->hasFocus());
        for (int tabs = 1; tabs < box; ++tabs)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(edit->hasFocus());
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), pasted);
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(d.isVisible());
        const QStringList messages = env.dialogs.texts("message");
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).contains(QStringLiteral("に制御文字 (U+")), qPrintable(messages.at(0)));
        QVERIFY(edit->hasFocus());
        QCOMPARE(edit->selectedText(), pasted);
        checked = true;
    });
    uitest::part<QAction>("ActionJimeijoEdit")->trigger();
    QVERIFY(checked);
    QCOMPARE(FMain->document().lines().toStringList(), before);
    QCOMPARE(FMain->listModel()->rowHeader(1).department, QStringLiteral("経理部"));
}

TAVREL_UI_TEST_MAIN(TestRegisterCommands)
#include "test_registercommands.moc"
