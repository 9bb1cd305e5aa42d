// The entry dialog on its own: the lists it offers, the OK button, trimming,
// the duplicate check and switching to another entry in edit mode.

#include "register/series.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/register/tftel_add.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestEntryDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createModeLists();
    void okButton_data();
    void okButton();
    void duplicateExtension_data();
    void duplicateExtension();
    void typedValuesFollowTheInputRule_data();
    void typedValuesFollowTheInputRule();
    void editSwitchesEntry();
    void editKeepsOwnTypeWithoutTemplate();

private:
    static TFTelAdd::Request entryRequest(TFTelAdd::Mode mode, const QString &programFolder, const QString &series,
                                          const QList<EntryHeader> &rows, int row)
    {
        TFTelAdd::Request r;
        r.mode = mode;
        r.row = row;
        r.templateFolders = programFolder;
        r.selectorSeries = series;
        r.rows = rows;
        return r;
    }
    QList<EntryHeader> rows() const
    {
        return {
            {"201", "総務部", "山田", "2022/01/01 10:00", series::caption(0), "電話機Ａ"},
            {"202", "経理部", "佐藤", "2022/01/02 10:00", series::caption(0), "電話機Ｂ"},
            {"203", "営業部", "鈴木", "2022/01/03 10:00", series::caption(0), "電話機Ａ"},
            {"301", "工場", "田中", "2022/01/04 10:00", series::caption(7), "ＳＩＰ電話機"},
        };
    }
};

void TestEntryDialog::createModeLists()
{
    uitest::Environment env;
    TFTelAdd dlg;
    dlg.start(entryRequest(TFTelAdd::Mode::Create, env.programFolder(), series::caption(0), rows(), 0));
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("示名条の作成"));
    QCOMPARE(uitest::child<QLabel>(&dlg, "pnlSeries")->text(), series::caption(0));
    QCOMPARE(uitest::child<QComboBox>(&dlg, "cmbType")->count(), 2);
    QCOMPARE(uitest::child<QComboBox>(&dlg, "cmbType")->currentText(), QStringLiteral("電話機Ａ"));
    QVERIFY(uitest::child<QLineEdit>(&dlg, "extensionEdit")->isVisible() && !uitest::child<QComboBox>(&dlg, "ComboBoxExternal")->isVisible());
    QVERIFY(uitest::child<QComboBox>(&dlg, "cmbType")->isEnabled() && uitest::child<QComboBox>(&dlg, "copySourceBox")->isEnabled());
    const QStringList typeA{"登録済み使用者情報を使用しない", "201 使用者名：山田", "203 使用者名：鈴木"};
    QStringList items;
    for (int i = 0; i < uitest::child<QComboBox>(&dlg, "copySourceBox")->count(); ++i)
        items << uitest::child<QComboBox>(&dlg, "copySourceBox")->itemText(i);
    QCOMPARE(items, typeA);
    uitest::child<QComboBox>(&dlg, "copySourceBox")->setCurrentIndex(2);
    uitest::child<QComboBox>(&dlg, "cmbType")->setCurrentIndex(1); // 電話機Ｂ: rebuilt and reset
    QCOMPARE(uitest::child<QComboBox>(&dlg, "copySourceBox")->count(), 2);
    QCOMPARE(uitest::child<QComboBox>(&dlg, "copySourceBox")->itemText(1), QStringLiteral("202 使用者名：佐藤"));
    QCOMPARE(uitest::child<QComboBox>(&dlg, "copySourceBox")->currentIndex(), 0);

    // A series without templates offers no type and only Cancel.
    TFTelAdd empty;
    empty.start(entryRequest(TFTelAdd::Mode::Create, env.programFolder(), series::caption(3), rows(), 0));
    empty.show();
    QCOMPARE(uitest::child<QComboBox>(&empty, "cmbType")->count(), 0);
    uitest::child<QLineEdit>(&empty, "extensionEdit")->setText("400");
    QVERIFY(!uitest::child<QPushButton>(&empty, "ButtonOk")->isEnabled());
}

void TestEntryDialog::okButton_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain") << "250" << true << "250";
    QTest::newRow("spaces around are trimmed") << "  251 \t" << true << "251";
    QTest::newRow("ideographic space stays") << "\u3000252" << true << "\u3000252";
    QTest::newRow("spaces only") << "   " << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void TestEntryDialog::okButton()
{
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    QFETCH(QString, stored);
    uitest::Environment env;
    TFTelAdd dlg;
    dlg.start(entryRequest(TFTelAdd::Mode::Create, env.programFolder(), series::caption(0), rows(), 0));
    dlg.show();
    uitest::child<QLineEdit>(&dlg, "extensionEdit")->insert(typed);
    uitest::child<QLineEdit>(&dlg, "departmentEdit")->insert(" 人事部 ");
    QCOMPARE(uitest::child<QPushButton>(&dlg, "ButtonOk")->isEnabled(), enabled);
    if (!enabled)
        return;
    uitest::child<QComboBox>(&dlg, "copySourceBox")->setCurrentIndex(1);
    const QDateTime before = QDateTime::currentDateTime();
    uitest::child<QPushButton>(&dlg, "ButtonOk")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.values().header.extension, stored);
    QCOMPARE(dlg.values().header.department, QStringLiteral("人事部"));
    QCOMPARE(dlg.values().header.seriesCaption, series::caption(0));
    QCOMPARE(dlg.values().header.stripType, QStringLiteral("電話機Ａ"));
    QCOMPARE(dlg.values().copySourceRow, 0); // 201 使用者名：山田
    const QDateTime stamped = QDateTime::fromString(dlg.values().header.date, "yyyy/MM/dd HH:mm");
    QVERIFY(stamped.isValid());
    QVERIFY(qAbs(stamped.secsTo(before)) < 120);
}

void TestEntryDialog::duplicateExtension_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("refused");
    QTest::newRow("create with an existing extension") << false << "202" << true;
    QTest::newRow("create with a new one") << false << "299" << false;
    QTest::newRow("edit keeping its own extension") << true << "201" << false;
    QTest::newRow("edit to another entry's extension") << true << "203" << true;
}

void TestEntryDialog::duplicateExtension()
{
    QFETCH(bool, edit);
    QFETCH(QString, extension);
    QFETCH(bool, refused);
    uitest::Environment env;
    TFTelAdd dlg;
    dlg.start(entryRequest(edit ? TFTelAdd::Mode::Edit : TFTelAdd::Mode::Create, env.programFolder(), series::caption(0), rows(), 0));
    dlg.show();
    QLineEdit *box = edit ? uitest::child<QComboBox>(&dlg, "ComboBoxExternal")->lineEdit() : uitest::child<QLineEdit>(&dlg, "extensionEdit");
    box->selectAll();
    QTest::keyClicks(box, extension); // typed: no item becomes selected
    uitest::child<QPushButton>(&dlg, "ButtonOk")->click();
    QCOMPARE(dlg.isVisible(), refused);
    QCOMPARE(env.dialogs.texts("message"),
             refused ? QStringList{QStringLiteral("すでにこの内線番号は存在します。")} : QStringList());
    if (refused) {
        QCOMPARE(box->selectedText(), extension);
        QVERIFY(box->hasFocus() || !dlg.isActiveWindow());
    } else {
        QCOMPARE(dlg.values().header.extension, extension);
        QCOMPARE(dlg.values().row, 0);
    }
}

void TestEntryDialog::typedValuesFollowTheInputRule_data()
{
    QTest::addColumn<int>("box"); // 1 extension, 2 department, 3 user name
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // part of the message; empty: accepted
    QTest::addColumn<QString>("stored");
    QTest::newRow("user name outside Shift-JIS") << 3 << "\U00020BB7田" << "使用者名の文字「\U00020BB7」(U+20BB7)" << "";
    QTest::newRow("40-digit extension") << 1 << QString(40, u'9') << "内線番号は 14 文字以内" << "";
    QTest::newRow("department of 33") << 2 << QString(33, u'D') << "部署は 32 文字以内" << "";
    QTest::newRow("department of 32") << 2 << QString(32, u'D') << "" << QString(32, u'D');
    QTest::newRow("input-method characters") << 2 << "営業\u301C\u2212\u2014" << "" << "営業\uFF5E\uFF0D\u2015";
}

void TestEntryDialog::typedValuesFollowTheInputRule()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    uitest::Environment env;
    TFTelAdd dlg;
    dlg.start(entryRequest(TFTelAdd::Mode::Create, env.programFolder(), series::caption(0), rows(), 0));
    dlg.show();
    QLineEdit *edit = box == 1 ? uitest::child<QLineEdit>(&dlg, "extensionEdit") : box == 2 ? uitest::child<QLineEdit>(&dlg, "departmentEdit") : uitest::child<QLineEdit>(&dlg, "userNameEdit");
    if (box != 1)
        QTest::keyClicks(uitest::child<QLineEdit>(&dlg, "extensionEdit"), "250");
    for (qsizetype i = 0; i < typed.size(); ++i) { // one key a character, a pair whole
        const QString ch = typed.mid(i, typed.at(i).isHighSurrogate() ? 2 : 1);
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, ch, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, ch, Qt::NoModifier);
        i += ch.size() - 1;
    }
    QTest::keyClick(edit, Qt::Key_Return);
    const QStringList messages = env.dialogs.texts("message");
    QCOMPARE(dlg.isVisible(), !refusal.isEmpty());
    if (refusal.isEmpty()) {
        QCOMPARE(messages, QStringList());
        QCOMPARE(box == 1 ? dlg.values().header.extension : box == 2 ? dlg.values().header.department : dlg.values().header.userName, stored);
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).contains(refusal), qPrintable(messages.at(0)));
        QCOMPARE(edit->selectedText(), typed);
    }
}

void TestEntryDialog::editSwitchesEntry()
{
    uitest::Environment env;
    TFTelAdd dlg;
    dlg.start(entryRequest(TFTelAdd::Mode::Edit, env.programFolder(), series::caption(5), rows(), 1));
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("示名条の編集"));
    QVERIFY(!uitest::child<QComboBox>(&dlg, "cmbType")->isEnabled() && !uitest::child<QComboBox>(&dlg, "copySourceBox")->isEnabled());
    QVERIFY(!uitest::child<QLineEdit>(&dlg, "extensionEdit")->isVisible() && uitest::child<QComboBox>(&dlg, "ComboBoxExternal")->isVisible());
    QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxExternal")->count(), 4);
    QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxExternal")->currentText(), QStringLiteral("202"));
    QCOMPARE(uitest::child<QLabel>(&dlg, "pnlSeries")->text(), series::caption(0));
    QCOMPARE(uitest::child<QComboBox>(&dlg, "cmbType")->currentText(), QStringLiteral("電話機Ｂ"));
    QCOMPARE(uitest::child<QLineEdit>(&dlg, "departmentEdit")->text(), QStringLiteral("経理部"));

    // Picking another extension loads that entry, series and type included.
    uitest::pickFromList(uitest::child<QComboBox>(&dlg, "ComboBoxExternal"), 3);
    QCOMPARE(dlg.values().row, 3);
    QCOMPARE(uitest::child<QLineEdit>(&dlg, "extensionEdit")->text(), QStringLiteral("301"));
    QCOMPARE(uitest::child<QLineEdit>(&dlg, "departmentEdit")->text(), QStringLiteral("工場"));
    QCOMPARE(uitest::child<QLineEdit>(&dlg, "userNameEdit")->text(), QStringLiteral("田中"));
    QCOMPARE(uitest::child<QLabel>(&dlg, "pnlSeries")->text(), series::caption(7));
    QCOMPARE(uitest::child<QComboBox>(&dlg, "cmbType")->currentText(), QStringLiteral("ＳＩＰ電話機"));
    uitest::child<QLineEdit>(&dlg, "userNameEdit")->setText("田中一郎");
    uitest::child<QPushButton>(&dlg, "ButtonOk")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.values().row, 3);
    QCOMPARE(dlg.values().header.extension, QStringLiteral("301"));
    QCOMPARE(dlg.values().header.userName, QStringLiteral("田中一郎"));
    QCOMPARE(dlg.values().header.seriesCaption, series::caption(7));
    QCOMPARE(dlg.values().header.stripType, QStringLiteral("ＳＩＰ電話機"));
}

void TestEntryDialog::editKeepsOwnTypeWithoutTemplate()
{
    uitest::Environment env;
    QList<EntryHeader> r = rows();
    r[0].stripType = "廃止された電話機";
    r[1].seriesCaption = series::caption(3); // a series with no template at all
    for (int row : {0, 1}) {
        TFTelAdd dlg;
        dlg.start(entryRequest(TFTelAdd::Mode::Edit, env.programFolder(), series::caption(0), r, row));
        dlg.show();
        QCOMPARE(uitest::child<QComboBox>(&dlg, "cmbType")->currentText(), r[row].stripType);
        QVERIFY(uitest::child<QPushButton>(&dlg, "ButtonOk")->isEnabled());
        uitest::child<QPushButton>(&dlg, "ButtonOk")->click();
        QCOMPARE(dlg.values().header.stripType, r[row].stripType);
        QCOMPARE(dlg.values().header.seriesCaption, r[row].seriesCaption);
    }
}

TAVREL_UI_TEST_MAIN(TestEntryDialog)
#include "test_entrydialog.moc"
