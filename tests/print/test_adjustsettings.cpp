// The kept fine adjustments in the settings file: printer names of every
// kind as keys that read back to the same name, values that read back to
// the same pair, and what a hand-edited file may hold that is not ours.

#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "print/adjustment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using print::Adjustment;

Q_DECLARE_METATYPE(std::optional<Adjustment>)

namespace {
Fixed4 mm(const char *text)
{
    return Fixed4::parse(QString::fromLatin1(text));
}
} // namespace

class TestAdjustSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printerKeys_data();
    void printerKeys();
    void foreignKeys_data();
    void foreignKeys();
    void pairs_data();
    void pairs();
    void storeSectionAndRemoval();
};

void TestAdjustSettings::printerKeys_data()
{
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QString>("key"); // the key as written
    QTest::newRow("plain") << "HP_LaserJet_4" << "HP_LaserJet_4";
    QTest::newRow("inner blanks") << "Office Printer 2F" << "Office Printer 2F";
    QTest::newRow("japanese") << "経理部のプリンタ" << "経理部のプリンタ";
    QTest::newRow("equals") << "a=b" << "a%3Db";
    QTest::newRow("brackets") << "[Adjust]" << "%5BAdjust%5D";
    QTest::newRow("percent") << "100%" << "100%25";
    QTest::newRow("comment marks") << ";x#y" << "%3Bx%23y";
    QTest::newRow("line breaks") << "a\r\nb\nc" << "a%0D%0Ab%0Ac";
    QTest::newRow("tab inside") << "a\tb" << "a%09b";
    QTest::newRow("leading and trailing blanks") << "  lp  " << "%20%20lp%20%20";
    QTest::newRow("blanks only") << "   " << "%20%20%20";
    QTest::newRow("ideographic space at the end") << "プリンタ　" << "プリンタ%E3%80%80";
    QTest::newRow("not in the code page") << "Ü😀" << "%C3%9C%F0%9F%98%80";
    QTest::newRow("escape lookalike") << "%41" << "%2541";
    QTest::newRow("equals at the end") << "x=" << "x%3D";
}

void TestAdjustSettings::printerKeys()
{
    QFETCH(QString, printer);
    QFETCH(QString, key);
    QCOMPARE(print::adjustKeyOfPrinter(printer), key);
    QCOMPARE(print::printerOfAdjustKey(key), printer);
    // Through the file: the key is found again and names the printer.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    {
        SettingsStore s(path);
        s.writeInteger(QStringLiteral("Position"), QStringLiteral("AdjustTop"), 100);
        s.writeString(QStringLiteral("Adjust"), key, QStringLiteral("1.5,-2.0"));
        s.writeString(QStringLiteral("Adjust"), QStringLiteral("other"), QStringLiteral("1.0,1.0"));
    }
    const SettingsStore s(path);
    const auto entries = s.entries(QStringLiteral("Adjust"));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(print::printerOfAdjustKey(entries.at(0).first), printer);
    QCOMPARE(entries.at(0).second, QStringLiteral("1.5,-2.0"));
    QCOMPARE(s.readInteger(QStringLiteral("Position"), QStringLiteral("AdjustTop"), 0), 100);
}

void TestAdjustSettings::foreignKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("lone percent") << "a%";
    QTest::newRow("one digit") << "a%4";
    QTest::newRow("no hex") << "%G0";
    QTest::newRow("plain letter escaped") << "%41";
    QTest::newRow("broken utf-8") << "%FF";
    QTest::newRow("half a character") << "%E3%80";
    QTest::newRow("empty") << "";
}

void TestAdjustSettings::foreignKeys()
{
    QFETCH(QString, key);
    QVERIFY(print::printerOfAdjustKey(key).isEmpty());
}

void TestAdjustSettings::pairs_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<std::optional<Adjustment>>("pair");
    QTest::newRow("written form") << "1.5,-2.0" << std::optional(Adjustment{mm("1.5"), mm("-2")});
    QTest::newRow("blanks around") << " 0.25 , 3 " << std::optional(Adjustment{mm("0.25"), mm("3")});
    QTest::newRow("rounded") << "1.23456,0" << std::optional(Adjustment{mm("1.2346"), Fixed4()});
    QTest::newRow("one number") << "1.5" << std::optional<Adjustment>();
    QTest::newRow("three numbers") << "1,2,3" << std::optional<Adjustment>();
    QTest::newRow("semicolon") << "1;2" << std::optional<Adjustment>();
    QTest::newRow("words") << "up,left" << std::optional<Adjustment>();
    QTest::newRow("plus sign") << "+1,2" << std::optional<Adjustment>();
    QTest::newRow("minus point") << "-.,1" << std::optional<Adjustment>();
    QTest::newRow("second missing") << "1.5," << std::optional<Adjustment>();
    QTest::newRow("empty") << "" << std::optional<Adjustment>();
    QTest::newRow("too large") << "99999999999,0" << std::optional<Adjustment>();
}

void TestAdjustSettings::pairs()
{
    QFETCH(QString, value);
    QFETCH(std::optional<Adjustment>, pair);
    const std::optional<Adjustment> got = print::parseAdjustPair(value);
    QCOMPARE(got.has_value(), pair.has_value());
    if (!pair)
        return;
    QCOMPARE(got->vertical, pair->vertical);
    QCOMPARE(got->horizontal, pair->horizontal);
    // Written back in the dialog's number format, it reads the same.
    const std::optional<Adjustment> again = print::parseAdjustPair(print::formatAdjustPair(*got));
    QVERIFY(again && again->vertical == got->vertical && again->horizontal == got->horizontal);
}

void TestAdjustSettings::storeSectionAndRemoval()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    const QStringList lines{"[Position]", "AdjustTop=5", "[adjust]", "One=1.0,2.0", "; note", "Two = \"3.0,4.0\"",
                            "", "[Dir]", "OpenPicture=/tmp", "[Adjust]", "Late=9,9"};
    textfile::write(path, lines);
    SettingsStore s(path);
    // The section name matches without regard to case; the first section
    // of the name counts; quotes are dropped as readString drops them.
    const auto entries = s.entries(QStringLiteral("Adjust"));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0), std::pair(QStringLiteral("One"), QStringLiteral("1.0,2.0")));
    QCOMPARE(entries.at(1), std::pair(QStringLiteral("Two"), QStringLiteral("3.0,4.0")));
    // Removing a key takes its line and nothing else; a missing key writes nothing.
    const QByteArray before = textfile::readBytes(path);
    s.removeKey(QStringLiteral("Adjust"), QStringLiteral("Three"));
    s.removeKey(QStringLiteral("Dir"), QStringLiteral("Nothing"));
    QCOMPARE(textfile::readBytes(path), before);
    s.removeKey(QStringLiteral("ADJUST"), QStringLiteral("two"));
    QStringList want = lines;
    want.removeAt(5);
    QCOMPARE(textfile::read(path).lines, want);
}

QTEST_GUILESS_MAIN(TestAdjustSettings)
#include "test_adjustsettings.moc"
