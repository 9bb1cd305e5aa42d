// The user guide's first page: which language a locale reads, and where the
// page is found for a program in a build tree and for an installed one.

#include "platform/userguide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestUserGuide : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstPage_data();
    void firstPage();
};

void TestUserGuide::firstPage_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QStringList>("files");   // made before the look-up; a name ending in "/" is a folder
    QTest::addColumn<QString>("uiLanguage");
    QTest::addColumn<QString>("found");       // empty: none
    QTest::addColumn<QString>("expected");    // the place named when none is found

    const QStringList built{"build/guide/ja/index.html", "build/guide/en/index.html"};
    const QStringList installed{"usr/share/doc/tavrel/guide/ja/index.html", "usr/share/doc/tavrel/guide/en/index.html"};
    QTest::newRow("build tree, Japanese") << "build/" << built << "ja-JP" << "build/guide/ja/index.html"
                                          << "build/guide/ja/index.html";
    QTest::newRow("build tree, English") << "build/" << built << "en-US" << "build/guide/en/index.html"
                                         << "build/guide/en/index.html";
    QTest::newRow("English, underscore form") << "build/" << built << "en_GB" << "build/guide/en/index.html"
                                              << "build/guide/en/index.html";
    QTest::newRow("English alone") << "build/" << built << "EN" << "build/guide/en/index.html"
                                   << "build/guide/en/index.html";
    QTest::newRow("C locale reads Japanese") << "build/" << built << "C" << "build/guide/ja/index.html"
                                             << "build/guide/ja/index.html";
    QTest::newRow("German reads Japanese") << "build/" << built << "de-DE" << "build/guide/ja/index.html"
                                           << "build/guide/ja/index.html";
    QTest::newRow("a language starting with en is not English")
        << "build/" << built << "eo" << "build/guide/ja/index.html" << "build/guide/ja/index.html";
    QTest::newRow("installed, English") << "usr/lib/tavrel/" << installed << "en-US"
                                        << "usr/share/doc/tavrel/guide/en/index.html"
                                        << "usr/share/doc/tavrel/guide/en/index.html";
    QTest::newRow("installed, Japanese") << "usr/lib/tavrel/" << installed << "ja"
                                         << "usr/share/doc/tavrel/guide/ja/index.html"
                                         << "usr/share/doc/tavrel/guide/ja/index.html";
    QTest::newRow("installed without English: Japanese")
        << "usr/lib/tavrel/" << QStringList{installed.first()} << "en-US"
        << "usr/share/doc/tavrel/guide/ja/index.html" << "usr/share/doc/tavrel/guide/en/index.html";
    QTest::newRow("program folder without its slash") << "usr/lib/tavrel" << installed << "ja"
                                                      << "usr/share/doc/tavrel/guide/ja/index.html"
                                                      << "usr/share/doc/tavrel/guide/ja/index.html";
    QTest::newRow("build tree with an installed guide beside")
        << "opt/lib/x/" << QStringList{"opt/share/doc/tavrel/guide/ja/index.html"} << "ja"
        << "opt/share/doc/tavrel/guide/ja/index.html" << "opt/lib/x/guide/ja/index.html";
    QTest::newRow("none: the build tree's page named") << "build/" << QStringList{} << "ja" << ""
                                                       << "build/guide/ja/index.html";
    QTest::newRow("none, English: the English page named") << "build/" << QStringList{} << "en-US" << ""
                                                            << "build/guide/en/index.html";
    QTest::newRow("none installed: the installed page named") << "usr/lib/tavrel/" << QStringList{} << "ja" << ""
                                                              << "usr/share/doc/tavrel/guide/ja/index.html";
    QTest::newRow("a folder is no page") << "build/" << QStringList{"build/guide/ja/index.html/"} << "ja" << ""
                                         << "build/guide/ja/index.html";
}

void TestUserGuide::firstPage()
{
    QFETCH(QString, programFolder);
    QFETCH(QStringList, files);
    QFETCH(QString, uiLanguage);
    QFETCH(QString, found);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString base = root.path() + u'/';
    QVERIFY(QDir().mkpath(base + programFolder));
    for (const QString &f : files) {
        if (f.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(base + f));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(base + f).path()));
        QFile file(base + f);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const userguide::Page page = userguide::firstPage(base + programFolder, uiLanguage);
    QCOMPARE(page.path, found.isEmpty() ? QString() : base + found);
    QCOMPARE(page.expected, base + expected);
}

QTEST_GUILESS_MAIN(TestUserGuide)
#include "test_userguide.moc"
