// Name plates in the main window: the entry dialog's values fill a new
// entry's plate, and an edit of the header redraws the plate it rewrote.

#include "register/series.h"
#include "register/stripwalk.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/tftel_add.h"
#include "windows/strip/stripdisplay.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {

QStringList plateTexts(const RegisterDocument &doc, int n)
{
    const int h = doc.findEntry(n) + 1;
    QStringList out;
    for (int c = 0; c < 3; ++c) {
        const int b = strip::locateCell(doc.lines(), h, c);
        out << doc.lines().mid(b + 33, doc.intAt(b + 32)).join(u'|');
    }
    return out;
}

// Types text as key presses, one character each (keyClicks takes ASCII only).
void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QImage shownText(int cell)
{
    return uitest::part<StripSheet>("detailSheet")->grab(FMain->display().cell(cell).textRect[0]).toImage();
}

} // namespace

class TestNamePlateWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createAndEdit();
};

void TestNamePlateWindow::createAndEdit()
{
    uitest::Environment env;
    uitest::writeTemplate(env.programFolder(), QStringLiteral("札電話機"),
                          uitest::templateLines(series::caption(0),
                                                {{0, "10", "10", "60", "30",
                                                  {"000 09内線 {内線番号}", "000 09{使用者名}", "001"}}}));
    env.start();
    uitest::whenEntryDialogShown([](TFTelAdd &d) {
        const int type = uitest::child<QComboBox>(&d, "cmbType")->findText(QStringLiteral("札電話機"));
        QVERIFY(type >= 0);
        uitest::pickFromList(uitest::child<QComboBox>(&d, "cmbType"), type);
        QTest::keyClicks(uitest::child<QLineEdit>(&d, "extensionEdit"), QStringLiteral("301"));
        typeText(uitest::child<QLineEdit>(&d, "departmentEdit"), QStringLiteral("営業部"));
        typeText(uitest::child<QLineEdit>(&d, "userNameEdit"), QStringLiteral("佐藤"));
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOk"), Qt::LeftButton);
    });
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonJimeijoNew"), Qt::LeftButton);
    QCOMPARE(FMain->rowCount(), 1);
    const RegisterDocument &doc = FMain->document();
    QCOMPARE(plateTexts(doc, 1), (QStringList{"内線 301", "佐藤", ""}));
    const QImage extensionBefore = shownText(0);

    // The user's name is changed in the dialog, again and again: that plate
    // follows and is drawn anew each time, and so is the caption; the
    // extension plate stays as it was.
    QImage userBefore = shownText(1);
    for (const QString &name : {QStringLiteral("鈴木"), QStringLiteral("Beta"), QStringLiteral("Gamma")}) {
        uitest::whenEntryDialogShown([&](TFTelAdd &d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("示名条の編集"));
            uitest::child<QLineEdit>(&d, "userNameEdit")->setFocus();
            QTest::keyClick(uitest::child<QLineEdit>(&d, "userNameEdit"), Qt::Key_A, Qt::ControlModifier);
            typeText(uitest::child<QLineEdit>(&d, "userNameEdit"), name);
            QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOk"), Qt::LeftButton);
        });
        uitest::clickRow(0);
        QTest::mouseDClick(uitest::part<QTreeView>("registerList")->viewport(), Qt::LeftButton, {},
                           uitest::part<QTreeView>("registerList")->visualRect(FMain->listModel()->index(0, 2)).center());
        QTRY_COMPARE(plateTexts(doc, 1), (QStringList{"内線 301", name, ""}));
        QCOMPARE(doc.headerOfEntry(1).userName, name);
        QVERIFY(FMain->display().captionText().endsWith(QStringLiteral("使用者名：") + name));
        QVERIFY(shownText(1) != userBefore);
        userBefore = shownText(1);
        QCOMPARE(shownText(0), extensionBefore);
    }
}

TAVREL_UI_TEST_MAIN(TestNamePlateWindow)
#include "test_nameplatewindow.moc"
