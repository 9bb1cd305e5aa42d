// File ▸ CSV取込み and CSV出力 in the main window, driven through the menu
// with the mouse and the keyboard: the preview lists every row with its
// problem, imports the sound rows on 取込み and nothing on ｷｬﾝｾﾙ; junk is
// refused with a message; the export writes the chosen encoding; the
// folders are kept in the settings file.

#include "platform/textfile.h"
#include "register/csvimport.h"
#include "register/registercheck.h"
#include "register/series.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/tfcsvimport.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs act on the first modal dialog of type T shown from now on, then
// closes it with reject if act left it open (a failing check cannot hang).
template <typename T>
void whenShown(const std::function<void(T &)> &act, bool *seen = nullptr)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, seen] {
        T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (seen)
            *seen = true;
        act(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

QMenu *fileMenu()
{
    for (QAction *a : FMain->menuBar()->actions())
        if (a->text() == QStringLiteral("ファイル(&F)"))
            return a->menu();
    return nullptr;
}

// Opens ファイル with a click on the menu bar and clicks the item.
void clickFileMenuItem(QAction *item)
{
    QMenuBar *bar = FMain->menuBar();
    QMenu *menu = fileMenu();
    QVERIFY(menu);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

const QList<uitest::Environment::Entry> TwoEntries = {
    {0, "電話機Ａ", "201", "総務部", "山田"},
    {0, "電話機Ｂ", "202", "経理部", "佐藤"},
};

} // namespace

class TestCsvCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void menuItems();
    void previewListsRowsAndImportsSoundOnes();
    void cancelImportsNothing();
    void nothingSoundDisablesImport();
    void junkRefusedWithMessage();
    void exportInChosenEncoding_data();
    void exportInChosenEncoding();
    void foldersRemembered();
    void exportNeverReplacesTheRegister();

private:
    std::unique_ptr<uitest::Environment> m_env;
    QString m_register;
};

void TestCsvCommands::init()
{
    m_env = std::make_unique<uitest::Environment>();
    m_register = m_env->writeRegister(QStringLiteral("r.TAV"), TwoEntries);
    m_env->start(m_register);
    QCOMPARE(FMain->rowCount(), 2);
}

void TestCsvCommands::cleanup()
{
    m_env.reset();
}

void TestCsvCommands::menuItems()
{
    QMenu *menu = fileMenu();
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << a->text();
    const int save = int(texts.indexOf(QStringLiteral("名前を付けて保存(&A)...")));
    QVERIFY(save >= 0);
    QCOMPARE(texts.mid(save + 1, 3), (QStringList{"", "CSV取込み(&I)...", "CSV出力(&C)..."}));
    QVERIFY(uitest::part<QAction>("ActionFileCsvImport")->isEnabled());
    QVERIFY(uitest::part<QAction>("ActionFileCsvExport")->isEnabled());

    // The keyboard: Alt+F opens the menu, I runs the import (its file
    // dialog is cancelled here).
    m_env->dialogs.fileNames << QString();
    QTest::keyClick(FMain, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_I);
    QTRY_COMPARE(m_env->dialogs.texts(QStringLiteral("open")).size(), 2); // the register, then the CSV
    QCOMPARE(m_env->dialogs.shown.constLast().request.title, QStringLiteral("CSV取込み"));
    QCOMPARE(m_env->dialogs.shown.constLast().request.filter, QStringLiteral("CSVファイル(*.csv)"));
    QVERIFY(!menu->isVisible());
}

void TestCsvCommands::previewListsRowsAndImportsSoundOnes()
{
    const QString csvPath = m_env->dataFolder() + QStringLiteral("phones.csv");
    QByteArray bytes;
    textfile::encodeCp932(QStringLiteral("内線番号,部署,使用者名,主装置のシリーズ,示名条のタイプ,複製元\r\n"
                                         "301,営業部,高橋,0,電話機Ａ\r\n"
                                         "201,重複,x,0,電話機Ａ\r\n"
                                         "302,\"営業\n部\",x,0,電話機Ａ\r\n"
                                         "303,営業部,中村,Ｋシリーズ主装置,電話機Ｂ,202\r\n"
                                         "304,,,0,電話機Ｚ\r\n"),
                          bytes);
    writeFile(csvPath, bytes);
    m_env->dialogs.fileNames << csvPath;
    bool seen = false;
    whenShown<TFCsvImport>(
        [&](TFCsvImport &d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("CSV取込み"));
            QCOMPARE(uitest::child<QLabel>(&d, "LabelSummary")->text(), QStringLiteral("取り込む行: 2　問題のある行: 3（取り込みません）"));
            QVERIFY(uitest::child<QLabel>(&d, "LabelFile")->text().contains(QStringLiteral("シフトJIS")));
            QTreeWidget *list = uitest::child<QTreeWidget>(&d, "ListRows");
            QCOMPARE(list->topLevelItemCount(), 5);
            const QStringList lines{"2", "3", "4", "6", "7"};
            const QStringList problems{"", "内線番号 201 はすでに登録されています", "2 列目に改行があります", "",
                                       "示名条のタイプ「電話機Ｚ」は"};
            for (int r = 0; r < 5; ++r) {
                QTreeWidgetItem *item = list->topLevelItem(r);
                QCOMPARE(item->text(TFCsvImport::LineColumn), lines.at(r));
                if (problems.at(r).isEmpty())
                    QVERIFY(item->text(TFCsvImport::ProblemColumn).isEmpty());
                else
                    QVERIFY(item->text(TFCsvImport::ProblemColumn).startsWith(problems.at(r)));
            }
            QCOMPARE(list->topLevelItem(2)->text(TFCsvImport::DepartmentColumn), QStringLiteral("営業↵部"));
            QCOMPARE(list->topLevelItem(3)->text(TFCsvImport::CopyColumn), QStringLiteral("202"));
            QVERIFY(uitest::child<QPushButton>(&d, "ButtonImport")->isEnabled());
            QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonImport"), Qt::LeftButton);
        },
        &seen);
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvImport"));
    QTRY_VERIFY(seen);
    QTRY_COMPARE(FMain->rowCount(), 4);
    const RegisterDocument &doc = FMain->document();
    QCOMPARE(doc.headerOfEntry(3).extension, QStringLiteral("301"));
    QCOMPARE(doc.headerOfEntry(4).extension, QStringLiteral("303"));
    QCOMPARE(doc.headerOfEntry(4).stripType, QStringLiteral("電話機Ｂ"));
    QVERIFY(checkRegister(doc.lines()).isEmpty());
    // The first imported entry is the one shown and selected.
    QCOMPARE(FMain->display().shownEntryNumber(), 3);
    QVERIFY(uitest::part<QTreeView>("registerList")->selectionModel()->isRowSelected(2, {}));
    QVERIFY(!m_env->dialogs.anyUnanswered());
}

void TestCsvCommands::cancelImportsNothing()
{
    const QString csvPath = m_env->dataFolder() + QStringLiteral("phones.csv");
    writeFile(csvPath, QStringLiteral("301,営業部,高橋,0,電話機Ａ\r\n").toUtf8());
    m_env->dialogs.fileNames << csvPath;
    bool seen = false;
    whenShown<TFCsvImport>([](TFCsvImport &d) { QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonCancel"), Qt::LeftButton); }, &seen);
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvImport"));
    QTRY_VERIFY(seen);
    QCOMPARE(FMain->rowCount(), 2);
    QVERIFY(!FMain->document().isModified());
}

void TestCsvCommands::nothingSoundDisablesImport()
{
    const QString csvPath = m_env->dataFolder() + QStringLiteral("phones.csv");
    writeFile(csvPath, QStringLiteral("201,営業部,高橋,0,電話機Ａ\r\n,x,y,0,電話機Ａ\r\n").toUtf8());
    m_env->dialogs.fileNames << csvPath;
    bool seen = false;
    whenShown<TFCsvImport>(
        [](TFCsvImport &d) {
            QVERIFY(!uitest::child<QPushButton>(&d, "ButtonImport")->isEnabled());
            QCOMPARE(uitest::child<QLabel>(&d, "LabelSummary")->text(), QStringLiteral("取り込む行: 0　問題のある行: 2（取り込みません）"));
            QTest::keyClick(&d, Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        },
        &seen);
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvImport"));
    QTRY_VERIFY(seen);
    QCOMPARE(FMain->rowCount(), 2);
    QVERIFY(!FMain->document().isModified());
}

void TestCsvCommands::junkRefusedWithMessage()
{
    const QString csvPath = m_env->dataFolder() + QStringLiteral("junk.csv");
    writeFile(csvPath, QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    m_env->dialogs.fileNames << csvPath;
    bool seen = false;
    whenShown<TFCsvImport>([](TFCsvImport &) {}, &seen);
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvImport"));
    QTRY_COMPARE(m_env->dialogs.texts(QStringLiteral("error")), QStringList{csv::NotTextMessage});
    QTest::qWait(50);
    QVERIFY(!seen);
    QCOMPARE(FMain->rowCount(), 2);
    QVERIFY(!FMain->document().isModified());
}

void TestCsvCommands::exportInChosenEncoding_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::newRow("code page 932 (preset)") << false;
    QTest::newRow("UTF-8 with mark") << true;
}

void TestCsvCommands::exportInChosenEncoding()
{
    QFETCH(bool, utf8);
    const QString out = m_env->dataFolder() + QStringLiteral("out.csv");
    m_env->dialogs.fileNames << out;
    bool seen = false;
    whenShown<TFCsvExport>(
        [utf8](TFCsvExport &d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("CSV出力"));
            QVERIFY(uitest::child<QRadioButton>(&d, "RadioCp932")->isChecked());
            if (utf8)
                QTest::mouseClick(uitest::child<QRadioButton>(&d, "RadioUtf8"), Qt::LeftButton, {}, QPoint(6, uitest::child<QRadioButton>(&d, "RadioUtf8")->height() / 2));
            QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOk"), Qt::LeftButton);
        },
        &seen);
    // The keyboard: Alt+F, C runs CSV出力.
    QMenu *menu = fileMenu();
    QTest::keyClick(FMain, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_C);
    QTRY_VERIFY(seen);
    QTRY_VERIFY(QFile::exists(out));
    QVERIFY(FMain->isVisible());
    const QByteArray bytes = fileBytes(out);
    QCOMPARE(bytes, csvimport::exportCsv(FMain->document(), utf8 ? csv::Encoding::Utf8Bom : csv::Encoding::Cp932));
    QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), utf8);
    QCOMPARE(m_env->dialogs.shown.constLast().request.title, QStringLiteral("CSV出力"));
}

void TestCsvCommands::exportNeverReplacesTheRegister()
{
    const QByteArray before = fileBytes(m_register);
    m_env->dialogs.fileNames << m_register;
    whenShown<TFCsvExport>([](TFCsvExport &d) { QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOk"), Qt::LeftButton); });
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvExport"));
    QTRY_COMPARE(m_env->dialogs.texts(QStringLiteral("error")),
                 QStringList{QStringLiteral("%1 は示名条データのファイルです。別のファイル名を指定してください。").arg(m_register)});
    QCOMPARE(fileBytes(m_register), before);
}

void TestCsvCommands::foldersRemembered()
{
    const QString csvPath = m_env->dataFolder() + QStringLiteral("phones.csv");
    writeFile(csvPath, QStringLiteral("301,営業部,高橋,0,電話機Ａ\r\n").toUtf8());
    m_env->dialogs.fileNames << csvPath;
    whenShown<TFCsvImport>([](TFCsvImport &d) { QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonCancel"), Qt::LeftButton); });
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvImport"));
    QTRY_COMPARE(m_env->dialogs.texts(QStringLiteral("open")).size(), 2);
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("Dir"), QStringLiteral("ImportCsv")), QFileInfo(csvPath).absolutePath());
    // The next run's dialog opens there.
    m_env->start();
    m_env->dialogs.fileNames << QString();
    clickFileMenuItem(uitest::part<QAction>("ActionFileCsvImport"));
    QTRY_COMPARE(m_env->dialogs.texts(QStringLiteral("open")).size(), 3);
    QCOMPARE(m_env->dialogs.shown.constLast().request.folder, QFileInfo(csvPath).absolutePath());
}

TAVREL_UI_TEST_MAIN(TestCsvCommands)
#include "test_csvcommands.moc"
