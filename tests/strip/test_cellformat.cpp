// The record changes behind the format, picture and clipboard commands:
// colour lines, format lines over several cells, picture files checked and
// stored byte for byte, clipboard text and characters a register can hold.

#include "platform/conversion.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/cellformat.h"
#include "strip/cellpicture.h"
#include "strip/picture.h"
#include "stripfixture.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

namespace {

RegisterDocument documentWith(const TestEntry &e)
{
    RegisterDocument doc;
    doc.setLines(registerLines({e}));
    return doc;
}

QString cellLine(const RegisterDocument &doc, int cell, int line)
{
    return doc.line(strip::locateCell(doc.lines(), FirstHeader, cell) + line);
}

QByteArray pictureBytes(const char *format, QSize size = QSize(12, 8))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    img.save(&b, format);
    return bytes;
}

// A small JPEG whose frame header claims another size: the header reads,
// the picture is over any drawing's use.
QByteArray jpegClaiming(QSize claimed)
{
    QByteArray bytes = pictureBytes("JPEG", QSize(16, 16));
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    Q_ASSERT(sof > 0);
    qToBigEndian(quint16(claimed.height()), bytes.data() + sof + 5);
    qToBigEndian(quint16(claimed.width()), bytes.data() + sof + 7);
    return bytes;
}

// The 54-byte header of a 24-bit BMP claiming the given size, without pixels.
QByteArray bmpClaiming(int w, int h)
{
    QByteArray b(54, '\0');
    b[0] = 'B', b[1] = 'M', b[10] = 54, b[14] = 40, b[26] = 1, b[28] = 24;
    qToLittleEndian(quint32(w), b.data() + 18);
    qToLittleEndian(quint32(h), b.data() + 22);
    return b;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

class TestCellFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colourLine_data();
    void colourLine();
    void formatOverCells();
    void missingCellChangesNothing();
    void changedBackIsNotModified();
    void fontSizes_data();
    void fontSizes();
    void recordFaces();
    void pictureFiles_data();
    void pictureFiles();
    void readOnlyPictureFile();
    void attachToCurrentDeletesSelectedTexts();
    void clipboardRoundTrip_data();
    void clipboardRoundTrip();
};

void TestCellFormat::colourLine_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("text");       // -1: not set
    QTest::addColumn<int>("background"); // -1: not set
    QTest::addColumn<QString>("after");
    QTest::newRow("255, green background") << "255" << -1 << 65280 << "255,65280";
    QTest::newRow("255, green text") << "255" << 65280 << -1 << "65280,16777215";
    QTest::newRow("black on white, red text") << "0,16777215" << 255 << -1 << "255,16777215";
    QTest::newRow("black on white, black background") << "0,16777215" << -1 << 0 << "0,0";
    QTest::newRow("both at once") << "0" << 255 << 65280 << "255,65280";
    QTest::newRow("malformed text part kept after the comma") << "x,y" << 5 << -1 << "5,y";
}

void TestCellFormat::colourLine()
{
    QFETCH(QString, before);
    QFETCH(int, text);
    QFETCH(int, background);
    QFETCH(QString, after);
    TestEntry e = entryWithCells({2});
    e.sections[0].cells[1].colours = before;
    RegisterDocument doc = documentWith(e);
    strip::FormatChange change;
    if (text >= 0)
        change.textColour = text;
    if (background >= 0)
        change.background = background;
    const QList<strip::FormatEdit> edits = strip::applyFormat(doc, FirstHeader, {1}, change);
    QCOMPARE(cellLine(doc, 1, regfmt::cell::Colours), after);
    QCOMPARE(cellLine(doc, 0, regfmt::cell::Colours), QStringLiteral("0"));
    QCOMPARE(edits.size(), 1);
    QCOMPARE(edits.at(0).before, before);
}

void TestCellFormat::formatOverCells()
{
    // Three cells, one of them bold: every listed cell takes the new state,
    // cells that are not listed keep theirs, lines already right are left.
    TestEntry e = entryWithCells({3, 2});
    RegisterDocument doc = documentWith(e);
    doc.setLine(strip::locateCell(doc.lines(), FirstHeader, 3) + regfmt::cell::Bold, QStringLiteral("1"));
    strip::FormatChange change;
    change.bold = true;
    change.alignment = 3;
    change.face = QStringLiteral("ＭＳ 明朝");
    change.size = QStringLiteral("13");
    const QList<strip::FormatEdit> edits = strip::applyFormat(doc, FirstHeader, {4, 1, 3, 1}, change);
    for (int c : {1, 3, 4}) {
        QCOMPARE(cellLine(doc, c, regfmt::cell::Bold), QStringLiteral("1"));
        QCOMPARE(cellLine(doc, c, regfmt::cell::Alignment), QStringLiteral("3"));
        QCOMPARE(cellLine(doc, c, regfmt::cell::Face), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(cellLine(doc, c, regfmt::cell::Size), QStringLiteral("13"));
    }
    for (int c : {0, 2})
        QCOMPARE(cellLine(doc, c, regfmt::cell::Bold), QStringLiteral("0"));
    // 4 lines on cells 1 and 4, 3 on cell 3 (already bold), in cell order.
    QCOMPARE(edits.size(), 11);
    QCOMPARE(edits.first().cell, 1);
    QCOMPARE(edits.last().cell, 4);
    QCOMPARE(strip::formatLineName(edits.first().recordLine), QStringLiteral("face"));
}

void TestCellFormat::missingCellChangesNothing()
{
    RegisterDocument doc = documentWith(entryWithCells({3}));
    const QStringList before = doc.lines().toStringList();
    strip::FormatChange change;
    change.italic = true;
    QVERIFY_THROWS_EXCEPTION(TavrelError, strip::applyFormat(doc, FirstHeader, {0, 1, 3}, change));
    QCOMPARE(doc.lines().toStringList(), before);
    QVERIFY_THROWS_EXCEPTION(TavrelError, strip::attachPicture(doc, FirstHeader, 5, {0}, ".bmp", "BM"));
    QCOMPARE(doc.lines().toStringList(), before);
}

void TestCellFormat::changedBackIsNotModified()
{
    QTemporaryDir dir;
    RegisterDocument doc = documentWith(entryWithCells({2}));
    doc.save(dir.filePath("saved.TAV"));
    QVERIFY(!doc.isModified());
    strip::FormatChange there, back;
    there.face = QStringLiteral("IPAGothic");
    back.face = QStringLiteral("ＭＳ Ｐゴシック");
    strip::applyFormat(doc, FirstHeader, {0, 1}, there);
    QVERIFY(doc.isModified());
    strip::applyFormat(doc, FirstHeader, {0, 1}, back);
    QVERIFY(!doc.isModified());
}

void TestCellFormat::fontSizes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("-3") << "-3" << false;
    QTest::newRow("1x") << "1x" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("13, not in the list") << "13" << true;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("400, not in the list") << "400" << true;
    QTest::newRow("999, the largest") << "999" << true;
    QTest::newRow("100000, no text would show") << "100000" << false;
}

void TestCellFormat::fontSizes()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(strip::isValidFontSize(text), valid);
    QCOMPARE(strip::fontSizeList().size(), 20);
    QCOMPARE(strip::fontSizeList().last(), 72);
}

void TestCellFormat::recordFaces()
{
    QCOMPARE(strip::recordFaceOf(QStringLiteral("IPAMincho")), QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(strip::recordFaceOf(QStringLiteral("IPAPMincho")), QStringLiteral("ＭＳ Ｐ明朝"));
    QCOMPARE(strip::recordFaceOf(QStringLiteral("IPAGothic")), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(strip::recordFaceOf(QStringLiteral("ipapgothic")), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(strip::recordFaceOf(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
}

void TestCellFormat::pictureFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type"); // empty: refused
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QSize>("preview"); // the image read with the file
    const QByteArray jpeg = pictureBytes("JPEG"), bmp = pictureBytes("BMP");
    QTest::newRow("jpeg") << "logo.jpg" << jpeg << ".jpg" << "" << QSize(12, 8);
    QTest::newRow("upper-case name keeps its case") << "LOGO.JPG" << jpeg << ".JPG" << "" << QSize(12, 8);
    QTest::newRow(".jpeg") << "a.jpeg" << jpeg << ".jpeg" << "" << QSize(12, 8);
    QTest::newRow("bitmap") << "a.Bmp" << bmp << ".Bmp" << "" << QSize(12, 8);
    QTest::newRow("png named .jpg") << "p.jpg" << pictureBytes("PNG") << "" << "BMP または JPEG" << QSize();
    QTest::newRow("bitmap named .jpg") << "b.jpg" << bmp << "" << "拡張子 .jpg と一致しません" << QSize();
    QTest::newRow("jpeg named .gif") << "j.gif" << jpeg << "" << "拡張子が" << QSize();
    QTest::newRow("cut-off jpeg") << "c.jpg" << jpeg.left(40) << "" << "壊れています" << QSize();
    QTest::newRow("text") << "t.bmp" << QByteArray("hello") << "" << "BMP または JPEG" << QSize();
    QTest::newRow("12000 x 12000: over the size limit, not damaged")
        << "big.jpg" << jpegClaiming(QSize(12000, 12000)) << ""
        << "画像が大きすぎます（12000 × 12000 ピクセル）。縦横 10000 ピクセル以下" << QSize();
    QTest::newRow("10001 x 1 bitmap: over the size limit") << "wide.bmp" << bmpClaiming(10001, 1) << ""
                                                           << "画像が大きすぎます（10001 × 1 ピクセル）" << QSize();
    QTest::newRow("3000 x 1000: preview 2048 wide") << "wide.jpg" << pictureBytes("JPEG", QSize(3000, 1000)) << ".jpg"
                                                    << "" << QSize(2048, 682);
    QTest::newRow("empty file") << "e.jpg" << QByteArray() << "" << "BMP または JPEG" << QSize();
}

void TestCellFormat::pictureFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, type);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = writeFile(dir, name, bytes);
    strip::PictureFile file;
    const QString problem = strip::readPictureFile(path, file);
    if (type.isEmpty()) {
        QVERIFY2(problem.contains(reason), qPrintable(problem));
        QVERIFY(problem.startsWith(name));
        QVERIFY(file.bytes.isEmpty());
        return;
    }
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(file.type, type);
    QCOMPARE(file.bytes, bytes);
    QFETCH(QSize, preview);
    QCOMPARE(file.image.size(), preview);
    QVERIFY(!strip::readPictureFile(dir.filePath("missing.jpg"), file).isEmpty());
}

void TestCellFormat::readOnlyPictureFile()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "ro.jpg", pictureBytes("JPEG"));
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    strip::PictureFile file;
    QCOMPARE(strip::readPictureFile(path, file), QString());
    QCOMPARE(file.type, QStringLiteral(".jpg"));
}

void TestCellFormat::attachToCurrentDeletesSelectedTexts()
{
    RegisterDocument doc = documentWith(entryWithCells({4}));
    const QByteArray bytes = pictureBytes("JPEG");
    strip::attachPicture(doc, FirstHeader, 2, {1, 2, 3}, QStringLiteral(".JPG"), bytes);
    for (int c : {1, 2, 3})
        QCOMPARE(cellLine(doc, c, regfmt::cell::TextCount), QStringLiteral("0"));
    QCOMPARE(cellLine(doc, 0, regfmt::cell::TextCount), QStringLiteral("1"));
    QCOMPARE(cellLine(doc, 2, regfmt::cell::PictureType), QStringLiteral(".JPG"));
    for (int c : {0, 1, 3})
        QVERIFY(cellLine(doc, c, regfmt::cell::PictureType).isEmpty());
    // The stored text is the file's bytes, and reads back as the picture.
    const QString data = cellLine(doc, 2, regfmt::cell::PictureData);
    QCOMPARE(strip::decodeBase64(data), bytes);
    QCOMPARE(QByteArray::fromBase64(data.toLatin1()), bytes);
    QCOMPARE(strip::decodePicture(QStringLiteral(".JPG"), data).size(), QSize(12, 8));

    strip::detachPicture(doc, FirstHeader, 2);
    QVERIFY(cellLine(doc, 2, regfmt::cell::PictureType).isEmpty());
    QVERIFY(cellLine(doc, 2, regfmt::cell::PictureData).isEmpty());
}

void TestCellFormat::clipboardRoundTrip_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");
    QTest::newRow("one line") << QStringList{"abc"} << "abc\r\n";
    QTest::newRow("empty second line kept") << QStringList{"abc", ""} << "abc\r\n\r\n";
    QTest::newRow("no lines") << QStringList{} << "";
    QTest::newRow("three") << QStringList{"a", "b", "c"} << "a\r\nb\r\nc\r\n";
}

void TestCellFormat::clipboardRoundTrip()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    QCOMPARE(strip::clipboardText(lines), text);
    QCOMPARE(strip::editorLines(text), lines);
}

QTEST_GUILESS_MAIN(TestCellFormat)
#include "test_cellformat.moc"
