// tavrel-cli format and picture end to end: what they change and print,
// the register they leave (accepted by check), and refusals that leave the
// file byte for byte as it was.

#include "clirun.h"
#include "register/cellrecord.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/picture.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using clitest::Run;
using clitest::cli;
using clitest::fileBytes;

QString cellLine(const QString &path, int entry, int cell, int line)
{
    RegisterDocument doc;
    doc.load(path);
    const int h = doc.findEntry(entry) + 1;
    return doc.line(strip::locateCell(doc.lines(), h, cell) + line);
}

const QString K12 = QStringLiteral("Ｋ－１２ボタン電話機");
const QString K24 = QStringLiteral("Ｋ－２４ボタン電話機");

} // namespace

class TestCliFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void formatAllEntries();
    void formatNarrowed();
    void formatRefusals_data();
    void formatRefusals();
    void pictureAttachDetach();
    void pictureRefusals_data();
    void pictureRefusals();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_reg;
};

void TestCliFormat::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_reg = m_dir->filePath(QStringLiteral("r.TAV"));
    int ext = 201;
    for (const QString &type : {K12, K24, K12}) {
        const Run r = cli({"new", m_reg, "--series", "0", "--type", type, "--ext", QString::number(ext++), "--date",
                           "2024/04/01 09:00"});
        QCOMPARE(r.code, 0);
    }
}

void TestCliFormat::formatAllEntries()
{
    const Run r = cli({"format", m_reg, "--cells", "0-1", "--bold", "1", "--align", "3"});
    QCOMPARE(r.code, 0);
    const QStringList out = r.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(out.size(), 12); // 3 entries x 2 cells x 2 lines
    QCOMPARE(out.first(), QStringLiteral("1\t0\tbold\t0\t1"));
    QVERIFY(out.contains(QStringLiteral("3\t1\talignment\t2\t3")));
    for (int e : {1, 2, 3})
        for (int c : {0, 1}) {
            QCOMPARE(cellLine(m_reg, e, c, regfmt::cell::Bold), QStringLiteral("1"));
            QCOMPARE(cellLine(m_reg, e, c, regfmt::cell::Alignment), QStringLiteral("3"));
        }
    QCOMPARE(cellLine(m_reg, 2, 2, regfmt::cell::Bold), QStringLiteral("0"));
    QCOMPARE(cli({"check", m_reg}).code, 0);
    // The same again changes nothing, prints nothing and leaves the file.
    const QByteArray before = fileBytes(m_reg);
    const Run again = cli({"format", m_reg, "--cells", "0,1", "--bold", "1"});
    QCOMPARE(again.code, 0);
    QCOMPARE(again.out, QString());
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCliFormat::formatNarrowed()
{
    QCOMPARE(cli({"format", m_reg, "--cells", "2", "--bcolor", "65280"}).code, 0);
    // --color alone keeps the stored background.
    Run r = cli({"format", m_reg, "--entries", "1,3", "--type", K12, "--cell", "2", "--color", "255"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("1\t2\tcolours\t0,65280\t255,65280\n3\t2\tcolours\t0,65280\t255,65280\n"));
    QCOMPARE(cellLine(m_reg, 2, 2, regfmt::cell::Colours), QStringLiteral("0,65280"));
    // Cell 1 of K24 is key 1 (cell 0 is its name plate).
    r = cli({"format", m_reg, "--type", K24, "--cells", "1", "--font", "ＭＳ 明朝", "--size", "14", "--italic", "1"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("2\t1\tsize\t9\t14\n2\t1\titalic\t0\t1\n")); // the face was ＭＳ 明朝
    QCOMPARE(cellLine(m_reg, 2, 1, regfmt::cell::Face), QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(cellLine(m_reg, 2, 1, regfmt::cell::Size), QStringLiteral("14"));
    QCOMPARE(cellLine(m_reg, 1, 0, regfmt::cell::Size), QStringLiteral("9"));
    QCOMPARE(cli({"check", m_reg}).code, 0);
}

void TestCliFormat::formatRefusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("size 0") << QStringList{"--cells", "0", "--size", "0"} << 2 << "--size";
    QTest::newRow("size 1x") << QStringList{"--cells", "0", "--size", "1x"} << 2 << "--size";
    QTest::newRow("colour too large") << QStringList{"--cells", "0", "--color", "16777216"} << 2 << "--color";
    QTest::newRow("negative background") << QStringList{"--cells", "0", "--bcolor", "-1"} << 2 << "--bcolor";
    QTest::newRow("bold 2") << QStringList{"--cells", "0", "--bold", "2"} << 2 << "--bold";
    QTest::newRow("align 4") << QStringList{"--cells", "0", "--align", "4"} << 2 << "--align";
    QTest::newRow("no format") << QStringList{"--cells", "0"} << 2 << "at least one";
    QTest::newRow("no cells") << QStringList{"--bold", "1"} << 2 << "--cells";
    QTest::newRow("face with a line break") << QStringList{"--cells", "0", "--font", "a\nb"} << 2 << "--font";
    QTest::newRow("reversed range") << QStringList{"--entries", "3-1", "--cells", "0", "--bold", "1"} << 2
                                    << "--entries";
    QTest::newRow("spaces in the list") << QStringList{"--cells", "0, 1", "--bold", "1"} << 2 << "--cells";
    QTest::newRow("entry and entries") << QStringList{"--entry", "1", "--entries", "2", "--cells", "0", "--bold", "1"}
                                       << 2 << "not both";
    QTest::newRow("entry given twice") << QStringList{"--entry", "1", "--cells", "0", "--entry", "2", "--bold", "1"}
                                       << 2 << "--entry given twice";
    QTest::newRow("cells given twice") << QStringList{"--cells", "0", "--bold", "1", "--cells", "1"} << 2
                                       << "--cells given twice";
    QTest::newRow("unknown option") << QStringList{"--cells", "0", "--underline", "1"} << 2 << "--underline";
    QTest::newRow("cell that no strip has") << QStringList{"--cells", "0,40", "--bold", "1"} << 1 << "セル 40";
    QTest::newRow("cell past the 12-key strip only") << QStringList{"--cells", "21", "--bold", "1"} << 1
                                                     << "エントリ 1";
    QTest::newRow("entry that does not exist") << QStringList{"--entries", "2,7", "--cells", "0", "--bold", "1"} << 1
                                               << "エントリ 7";
    QTest::newRow("face the register cannot hold")
        << QStringList{"--cells", "0", "--font", QString::fromUtf8("\xEA\xB0\x80")} << 1 << "";
}

void TestCliFormat::formatRefusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QByteArray before = fileBytes(m_reg);
    const Run r = cli(QStringList{"format", m_reg} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCliFormat::pictureAttachDetach()
{
    QImage img(30, 10, QImage::Format_RGB32);
    img.fill(Qt::blue);
    const QString logo = m_dir->filePath(QStringLiteral("LOGO.JPG"));
    QVERIFY(img.save(logo, "JPEG"));
    const QByteArray bytes = fileBytes(logo);
    Run r = cli({"picture", m_reg, "--entry", "2", "--cell", "3", "--attach", logo});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("2\t3\tattached\t.JPG\t%1\n").arg(bytes.size()));
    QCOMPARE(cellLine(m_reg, 2, 3, regfmt::cell::PictureType), QStringLiteral(".JPG"));
    QCOMPARE(strip::decodeBase64(cellLine(m_reg, 2, 3, regfmt::cell::PictureData)), bytes);
    QCOMPARE(cellLine(m_reg, 2, 3, regfmt::cell::TextCount), QStringLiteral("0"));
    QCOMPARE(cli({"check", m_reg}).code, 0);

    r = cli({"picture", m_reg, "--entry", "2", "--cell", "3", "--detach"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("2\t3\tdetached\n"));
    QVERIFY(cellLine(m_reg, 2, 3, regfmt::cell::PictureType).isEmpty());
    QVERIFY(cellLine(m_reg, 2, 3, regfmt::cell::PictureData).isEmpty());
    // Nothing left to detach: nothing printed, the file as it is.
    const QByteArray before = fileBytes(m_reg);
    r = cli({"picture", m_reg, "--entry", "2", "--detach", "--cell", "3"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QString());
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCliFormat::pictureRefusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const QString big = QStringLiteral("@big.jpg"), bmp = QStringLiteral("@a.bmp");
    QTest::newRow("over 30720 bytes") << QStringList{"--entry", "1", "--cell", "0", "--attach", big} << 1
                                      << "画像ファイルが大きすぎます。30kbyte以下の画像ファイルを選択してください。";
    QTest::newRow("over --max-bytes") << QStringList{"--entry", "1", "--cell", "0", "--attach", bmp, "--max-bytes",
                                                     "1023"}
                                      << 1 << "大きすぎます。0kbyte";
    QTest::newRow("not a picture") << QStringList{"--entry", "1", "--cell", "0", "--attach", "@text.jpg"} << 1
                                   << "BMP または JPEG";
    // The codec's complaints ("Corrupt JPEG data", "QBuffer::seek: Invalid
    // pos") mean damage: refused, and kept off standard error.
    QTest::newRow("damaged JPEG") << QStringList{"--entry", "1", "--cell", "0", "--attach", "@bad.jpg"} << 1
                                  << "bad.jpg\n画像を読み込めません。ファイルが壊れています。";
    QTest::newRow("BMP data past its end") << QStringList{"--entry", "1", "--cell", "0", "--attach", "@cut.bmp"} << 1
                                           << "cut.bmp\n画像を読み込めません。ファイルが壊れています。";
    QTest::newRow("missing file") << QStringList{"--entry", "1", "--cell", "0", "--attach", "@none.jpg"} << 1
                                  << "読み込めません";
    QTest::newRow("cell that does not exist") << QStringList{"--entry", "1", "--cell", "21", "--attach", bmp} << 1
                                              << "セル 21";
    QTest::newRow("entry that does not exist") << QStringList{"--entry", "9", "--cell", "0", "--detach"} << 1
                                               << "エントリ 9";
    QTest::newRow("attach and detach") << QStringList{"--entry", "1", "--cell", "0", "--attach", bmp, "--detach"} << 2
                                       << "picture FILE";
    QTest::newRow("neither") << QStringList{"--entry", "1", "--cell", "0"} << 2 << "picture FILE";
    QTest::newRow("several cells") << QStringList{"--entry", "1", "--cells", "0,1", "--detach"} << 2 << "--cells";
    QTest::newRow("malformed limit") << QStringList{"--entry", "1", "--cell", "0", "--attach", bmp, "--max-bytes",
                                                    "-5"}
                                     << 2 << "--max-bytes";
}

void TestCliFormat::pictureRefusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::green);
    QVERIFY(img.save(m_dir->filePath("a.bmp"), "BMP")); // 4854 bytes
    QByteArray big;
    {
        QBuffer b(&big);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "JPEG");
    }
    const QByteArray jpeg = big;
    big.append(QByteArray(30721 - big.size(), '\0'));
    QFile f(m_dir->filePath("big.jpg"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(big);
    f.close();
    // 51 stray bytes before the JPEG's end marker; a BMP whose pixels start
    // past its end.
    QFile j(m_dir->filePath("bad.jpg"));
    QVERIFY(j.open(QIODevice::WriteOnly));
    j.write(jpeg.chopped(2) + QByteArray(51, '\0') + "\xFF\xD9");
    j.close();
    QVERIFY(QFile::copy(m_dir->filePath("a.bmp"), m_dir->filePath("cut.bmp")));
    QFile b(m_dir->filePath("cut.bmp"));
    QVERIFY(b.open(QIODevice::ReadWrite));
    b.seek(10);
    b.write(QByteArray("\x36\x00\x2B\x00", 4)); // 2818102
    b.close();
    QFile t(m_dir->filePath("text.jpg"));
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("not a picture");
    t.close();
    for (QString &a : args)
        if (a.startsWith(u'@'))
            a = m_dir->filePath(a.mid(1));
    const QByteArray before = fileBytes(m_reg);
    const Run r = cli(QStringList{"picture", m_reg} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY2(!r.err.contains(QLatin1String("Corrupt")) && !r.err.contains(QLatin1String("QBuffer")), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), before);
}

QTEST_GUILESS_MAIN(TestCliFormat)
#include "test_cliformat.moc"
