// The About box: the version line from the program's four numbers, the
// drawn logo, its fixed size, and Esc and Enter closing it, opened from the
// Help menu of the main window; the user guide opened from the same menu
// with F1.

#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/tfversion.h"
#include "windows/main/userguidecommand.h"
#include "windows/main/windows.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestVersion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionLine_data();
    void versionLine();
    void logo();
    void keysClose_data();
    void keysClose();
    void openedFromHelpMenu();
    void guideOpenedWithF1_data();
    void guideOpenedWithF1();
};

void TestVersion::versionLine_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("line");
    QTest::newRow("1.0.1.0") << "1.0.1.0" << "Version 1.01N ";
    QTest::newRow("no version information") << "" << "Version N ";
    QTest::newRow("third number appended") << "2.3.4.5" << "Version 2.34N ";
    QTest::newRow("numbers of two digits") << "10.12.3.40" << "Version 10.123N ";
}

void TestVersion::versionLine()
{
    QFETCH(QString, version);
    QFETCH(QString, line);
    QCOMPARE(TFVersion::versionLine(version), line);
    TFVersion box(nullptr, version);
    QCOMPARE(uitest::child<QLabel>(&box, "LabelVersion")->text(), line);
    QCOMPARE(uitest::child<QLabel>(&box, "LabelVersion")->pos(), QPoint(28, 72));
    QVERIFY(uitest::child<QLabel>(&box, "LabelVersion")->font().bold() && uitest::child<QLabel>(&box, "LabelVersion")->font().italic());
    QCOMPARE(uitest::child<QLabel>(&box, "LabelCopyright")->text(), TFVersion::RightsLine);
    QCOMPARE(uitest::child<QLabel>(&box, "descriptionLabel")->text().count(u'\n'), 4);
    QVERIFY(uitest::child<QLabel>(&box, "descriptionLabel")->text().endsWith(u'\n'));
}

void TestVersion::logo()
{
    const QImage logo = TFVersion::drawLogo();
    QCOMPARE(logo.size(), QSize(233, 35));
    QCOMPARE(logo.pixelColor(0, 0), QColor(Qt::white));
    int yellow = 0, orange = 0, dark = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) {
            const QColor c = logo.pixelColor(x, y);
            if (c.red() > 240 && c.green() > 200 && c.blue() < 120)
                ++yellow;
            else if (c.red() > 220 && c.green() < 150 && c.blue() < 60)
                ++orange;
            else if (c.red() < 110 && c.green() < 70 && c.blue() < 40)
                ++dark;
        }
    // Shaded letters with an outline: all three colours are present.
    QVERIFY2(yellow > 100 && orange > 100 && dark > 100,
             qPrintable(QStringLiteral("%1 %2 %3").arg(yellow).arg(orange).arg(dark)));
}

void TestVersion::keysClose_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Esc") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
}

void TestVersion::keysClose()
{
    QFETCH(int, key);
    QFETCH(int, result);
    TFVersion box(nullptr, QStringLiteral("1.0.1.0"));
    box.setResult(-1);
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(box.size(), QSize(400, 246));
    QVERIFY(!(box.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(QApplication::focusWidget(), uitest::child<QPushButton>(&box, "ButtonOk"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), result);
}

void TestVersion::openedFromHelpMenu()
{
    uitest::Environment env;
    env.start();
    QVERIFY(uitest::part<QAction>("ActionHelpAbout")->isEnabled());
    bool shown = false;
    // The box is modal: it is checked and closed with Esc from inside its
    // own event loop.
    QTimer::singleShot(0, [&] {
        shown = uitest::window<TFVersion>()->isVisible() && uitest::window<TFVersion>()->size() == QSize(400, 246);
        QTest::keyClick(uitest::window<TFVersion>(), Qt::Key_Escape);
    });
    uitest::part<QAction>("ActionHelpAbout")->trigger();
    QVERIFY(shown);
    QVERIFY(!uitest::window<TFVersion>()->isVisible());
    QCOMPARE(uitest::child<QLabel>(uitest::window<TFVersion>(), "LabelVersion")->text(), TFVersion::versionLine(QStringLiteral(TAVREL_VERSION)));
    env.destroyWindows();
}

void TestVersion::guideOpenedWithF1_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("languages"); // guides beside the program
    QTest::addColumn<bool>("browser");          // whether the desktop takes the page
    QTest::addColumn<QString>("url");           // under the program folder; empty: none handed over
    QTest::addColumn<QString>("error");         // the message shown; %1 is the program folder
    QTest::newRow("Japanese") << "C" << QStringList{"ja", "en"} << true << "guide/ja/index.html" << "";
    QTest::newRow("English locale") << "en_US" << QStringList{"ja", "en"} << true << "guide/en/index.html" << "";
    QTest::newRow("no guide: the file named") << "ja_JP" << QStringList{} << true << ""
                                              << userguidecommand::MissingMessage.arg("%1guide/ja/index.html");
    QTest::newRow("no browser: the file named") << "C" << QStringList{"ja"} << false << "guide/ja/index.html"
                                                << userguidecommand::NotOpenedMessage.arg("%1guide/ja/index.html");
}

void TestVersion::guideOpenedWithF1()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, languages);
    QFETCH(bool, browser);
    QFETCH(QString, url);
    QFETCH(QString, error);
    uitest::Environment env;
    for (const QString &lang : languages) {
        QVERIFY(QDir().mkpath(env.programFolder() + "guide/" + lang));
        QFile page(env.programFolder() + "guide/" + lang + "/index.html");
        QVERIFY(page.open(QIODevice::WriteOnly));
    }
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    env.dialogs.urlsOpen = browser;
    env.start();
    // The item stands before バージョン情報 in the ヘルプ menu.
    QMenu *help = uitest::part<QMenuBar>("mainMenuBar")->actions().constLast()->menu();
    QCOMPARE(help->title(), QStringLiteral("ヘルプ(&H)"));
    QCOMPARE(help->actions().value(0), uitest::part<QAction>("ActionHelpGuide"));
    QCOMPARE(help->actions().value(1), uitest::part<QAction>("ActionHelpAbout"));
    QTest::keyClick(FMain, Qt::Key_F1);
    QLocale::setDefault(previous);
    QCOMPARE(env.dialogs.texts("url"),
             url.isEmpty() ? QStringList{} : QStringList{QUrl::fromLocalFile(env.programFolder() + url).toString()});
    QCOMPARE(env.dialogs.texts("error"), error.isEmpty() ? QStringList{} : QStringList{error.arg(env.programFolder())});
    env.destroyWindows();
}

TAVREL_UI_TEST_MAIN(TestVersion)
#include "test_version.moc"
