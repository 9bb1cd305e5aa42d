// Text files: CP932 both ways, line ends, byte-order marks, unencodable
// characters and the atomic write, whose failure at any size, injected or on
// a real full file system, leaves the old file.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "print/pdfoutput.h"
#include "register/registerdocument.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <thread>
#include <cstring>
#include <unistd.h>

class TestTextFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineEnds_data();
    void lineEnds();
    void cp932Mapping_data();
    void cp932Mapping();
    void invalidBytesBecomeReplacement();
    void everyDecodedCharacterEncodesBack();
    void byteOrderMarksKept_data();
    void byteOrderMarksKept();
    void unencodableCharacterReported_data();
    void unencodableCharacterReported();
    void writeFailureKeepsOldFile();
    void injectedFailureAtAnySize_data();
    void injectedFailureAtAnySize();
    void fullFileSystem_data();
    void fullFileSystem();
    void parseInt_data();
    void parseInt();
    void trimControls();
    void inputLimit_data();
    void inputLimit();
};

void TestTextFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n\r\n") << QStringList{"", "", "x", ""};
    QTest::newRow("mixed") << QByteArray("a\r\r\nb\n\rc") << QStringList{"a", "", "b", "", "c"};
    QTest::newRow("single break") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("form feeds stay") << QByteArray("1\f\f\r\n") << QStringList{"1\f\f"};
}

void TestTextFile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const TextFileContent c = textfile::decode(bytes);
    QCOMPARE(c.lines, lines);
    QCOMPARE(c.encoding, TextEncoding::Cp932);
}

void TestTextFile::cp932Mapping_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    // The code page's own mappings, which SHIFT_JIS gets wrong.
    QTest::newRow("wave dash") << QByteArray("\x81\x60") << QString(QChar(0xFF5E));
    QTest::newRow("backslash") << QByteArray("\x81\x5F") << QString(QChar(0xFF3C));
    QTest::newRow("circled one") << QByteArray("\x87\x40") << QString(QChar(0x2460));
    QTest::newRow("kanji") << QByteArray("\x95\xdb\x97\xaf") << QStringLiteral("保留");
    QTest::newRow("half-width kana") << QByteArray("\xb7\xb0\xd7\xcd\xde\xd9") << QStringLiteral("ｷｰﾗﾍﾞﾙ");
    QTest::newRow("full-width") << QByteArray("\x82\x6c\x82\x8f") << QStringLiteral("Ｍｏ");
}

void TestTextFile::cp932Mapping()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(textfile::decode(bytes + "\r\n").lines, QStringList{text});
    QCOMPARE(textfile::encode({text}), bytes + "\r\n");
}

void TestTextFile::invalidBytesBecomeReplacement()
{
    // A lone lead byte at the end and an invalid trail byte must not stop
    // the decoding of the rest.
    const TextFileContent c = textfile::decode(QByteArray("a\x81\r\nb\x82\r\nc"));
    QCOMPARE(c.lines.size(), 3);
    QVERIFY(c.lines.at(0).startsWith(u'a'));
    QVERIFY(c.lines.at(0).contains(QChar(0xFFFD)));
    QCOMPARE(c.lines.at(2), QStringLiteral("c"));
}

void TestTextFile::everyDecodedCharacterEncodesBack()
{
    // Whatever a file can hold must be writable again and read back as the
    // same character (duplicate codes may come out as their twin).
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char two[2] = {char(lead), char(trail)};
            const QString u = textfile::decodeCp932(two, 2);
            if (u.size() != 1 || u.at(0).unicode() == 0xFFFD)
                continue;
            QByteArray out;
            QVERIFY2(textfile::encodeCp932(u, out), qPrintable(QString::number(lead << 8 | trail, 16)));
            QCOMPARE(textfile::decodeCp932(out.constData(), out.size()), u);
            ++checked;
        }
    }
    QVERIFY(checked > 7000);
}

void TestTextFile::byteOrderMarksKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("second");
    QTest::newRow("utf-8") << QByteArray("\xEF\xBB\xBF\xE4\xBF\x9D\r\nx\r\n") << int(TextEncoding::Utf8Bom) << "x";
    // Only the file's first mark is the file's; one that starts a line is text.
    QTest::newRow("utf-8, mark in a line") << QByteArray("\xEF\xBB\xBF\xE4\xBF\x9D\r\n\xEF\xBB\xBFx\r\n")
                                           << int(TextEncoding::Utf8Bom) << QString(QChar(0xFEFF)) + u'x';
    QTest::newRow("utf-16le") << QByteArray("\xFF\xFE\xdd\x4f\r\0\n\0x\0\r\0\n\0", 14) << int(TextEncoding::Utf16LE) << "x";
    QTest::newRow("utf-16be") << QByteArray("\xFE\xFF\x4f\xdd\0\r\0\n\0x\0\r\0\n", 14) << int(TextEncoding::Utf16BE) << "x";
}

void TestTextFile::byteOrderMarksKept()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, second);
    const TextFileContent c = textfile::decode(bytes);
    QCOMPARE(int(c.encoding), encoding);
    QCOMPARE(c.lines, (QStringList{QStringLiteral("保"), second}));
    QCOMPARE(textfile::encode(c.lines, c.encoding), bytes);
}

void TestTextFile::unencodableCharacterReported_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("code");
    QTest::newRow("emoji") << QStringLiteral("ab😀") << QStringLiteral("😀") << "U+1F600";
    QTest::newRow("latin") << QStringLiteral("café") << QStringLiteral("é") << "U+00E9";
    // U+301C is not in the code page either (its wave dash is U+FF5E).
    QTest::newRow("wave dash") << QString(QChar(0x301C)) << QString(QChar(0x301C)) << "U+301C";
    // An unpaired half of a pair is named by its own code, not as U+FFFD.
    QTest::newRow("lone high surrogate") << QStringLiteral("ab") + QChar(0xD83D) << QString(QChar(0xD83D)) << "U+D83D";
    QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) + "x" << QString(QChar(0xDE00)) << "U+DE00";
}

void TestTextFile::unencodableCharacterReported()
{
    QFETCH(QString, text);
    QFETCH(QString, character);
    QFETCH(QString, code);
    try {
        textfile::encode({QStringLiteral("ok"), text});
        QFAIL("the character cannot be written in CP932");
    } catch (const EncodingError &e) {
        QCOMPARE(e.line(), 1);
        QCOMPARE(e.character(), character);
        QCOMPARE(e.codePoint(), code);
        QVERIFY2(e.message().contains(code) && !e.message().contains(QStringLiteral("FFFD")), qPrintable(e.message()));
    }
}

void TestTextFile::writeFailureKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.TAV"));
    textfile::write(path, {QStringLiteral("old")});
    QVERIFY_THROWS_EXCEPTION(EncodingError, textfile::write(path, {QStringLiteral("new 😀")}));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old\r\n"));
    QVERIFY_THROWS_EXCEPTION(FileError, textfile::write(dir.filePath(QStringLiteral("missing/x.TAV")), {QStringLiteral("x")}));
    QVERIFY_THROWS_EXCEPTION(FileError, textfile::read(dir.filePath(QStringLiteral("none.TAV"))));
}

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes `bytes` over `path` by one of the program's writers.
void writeBy(const QString &writer, const QString &path, const QByteArray &bytes)
{
    if (writer == QLatin1String("bytes")) {
        textfile::writeBytes(path, bytes);
    } else if (writer == QLatin1String("register")) {
        RegisterDocument doc;
        doc.load(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV"));
        doc.save(path);
    } else {
        print::writeCalibrationPdf(path, print::PageFormat::A, print::Adjustment(), print::CalibrationTitle);
    }
}
} // namespace

void TestTextFile::injectedFailureAtAnySize_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("failAfter");
    QTest::newRow("small, first byte") << "bytes" << qint64(4600) << qint64(0);
    QTest::newRow("small, last byte") << "bytes" << qint64(4600) << qint64(4599);
    QTest::newRow("large, first block") << "bytes" << qint64(3000000) << qint64(100);
    QTest::newRow("large, last byte") << "bytes" << qint64(3000000) << qint64(2999999);
    QTest::newRow("register") << "register" << qint64(0) << qint64(4000);
    QTest::newRow("pdf") << "pdf" << qint64(0) << qint64(1000);
}

void TestTextFile::injectedFailureAtAnySize()
{
    QFETCH(QString, writer);
    QFETCH(qint64, size);
    QFETCH(qint64, failAfter);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.TAV"));
    const QByteArray old("old\r\n");
    textfile::writeBytes(path, old);
    QByteArray fresh;
    for (qint64 i = 0; fresh.size() < size; ++i)
        fresh += "line " + QByteArray::number(i) + "\r\n";
    fresh.truncate(size);
    textfile::failNextWriteAfter(failAfter);
    try {
        writeBy(writer, path, fresh);
        QFAIL("the failed write was not reported");
    } catch (const FileError &e) {
        QVERIFY2(e.message().contains(path) && e.message().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(e.message()));
    }
    QCOMPARE(bytesOf(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.TAV")});
    // The failure was for that write only.
    writeBy(writer, path, fresh);
    QVERIFY(bytesOf(path) != old);
}

void TestTextFile::fullFileSystem_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("under a block") << 100;
    QTest::newRow("a small register") << 4600;
    QTest::newRow("past Qt's buffer") << 40000;
    QTest::newRow("past the file system") << 600000;
}

void TestTextFile::fullFileSystem()
{
    QFETCH(int, size);
    QTemporaryDir dir;
    const QString mount = dir.path();
    if (geteuid() != 0 || QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=256k", "tmpfs", mount}) != 0)
        QSKIP("needs root and mount -t tmpfs");
    struct Unmount
    {
        QString at;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {at}); }
    } unmount{mount};
    const QString path = mount + QStringLiteral("/r.TAV");
    const QByteArray old(3000, 'o');
    textfile::writeBytes(path, old);
    // Fill the file system to its last block.
    QFile filler(mount + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    while (filler.write("x", 1) == 1) {
    }
    filler.close();
    QVERIFY_THROWS_EXCEPTION(FileError, textfile::writeBytes(path, QByteArray(size, 'n')));
    QCOMPARE(bytesOf(path), old);
    QCOMPARE(QDir(mount).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "r.TAV"}));
}

void TestTextFile::parseInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "12" << true << 12;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("negative") << "-01" << true << -1;
    QTest::newRow("plus") << "+5" << true << 5;
    QTest::newRow("leading blank") << " 3" << true << 3;
    QTest::newRow("trailing blank") << "3 " << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("decimal") << "1.5" << false << 0;
    QTest::newRow("preset key code") << "000 09保留" << false << 0;
    QTest::newRow("max") << "2147483647" << true << 2147483647;
    QTest::newRow("min") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("overflow") << "2147483648" << false << 0;
    QTest::newRow("huge") << "99999999999999999999999" << false << 0;
    QTest::newRow("full-width digits") << "１２" << false << 0;
}

void TestTextFile::parseInt()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int v = -99;
    QCOMPARE(tryParseInt(text, v), ok);
    if (ok) {
        QCOMPARE(v, value);
        QCOMPARE(::parseInt(text, 4), value);
    } else {
        try {
            ::parseInt(text, 4);
            QFAIL("no conversion error");
        } catch (const ConversionError &e) {
            QCOMPARE(e.line(), 4);
            QVERIFY(e.message().contains(QStringLiteral("5 行目")));
        }
    }
}

void TestTextFile::trimControls()
{
    QCOMPARE(::trimControls(QStringLiteral(" \t\x01.jpg\r ")), QStringLiteral(".jpg"));
    QCOMPARE(::trimControls(QStringLiteral("\u3000x\u3000")), QStringLiteral("\u3000x\u3000"));
    QCOMPARE(::trimControls(QStringLiteral("   ")), QString());
}

// An input is read up to its limit and refused past it: a regular file
// before a byte is read, a pipe once it gives one byte more.
void TestTextFile::inputLimit_data()
{
    QTest::addColumn<bool>("pipe");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("refused");
    const int limit = 100000; // above a pipe's buffer
    QTest::newRow("file at the limit") << false << limit << false;
    QTest::newRow("file past the limit") << false << limit + 1 << true;
    QTest::newRow("pipe at the limit") << true << limit << false;
    QTest::newRow("pipe past the limit") << true << limit + 1 << true;
    QTest::newRow("empty pipe") << true << 0 << false;
}

void TestTextFile::inputLimit()
{
    QFETCH(bool, pipe);
    QFETCH(int, size);
    QFETCH(bool, refused);
    const qint64 limit = 100000;
    const QByteArray bytes(size, 'x');
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("in.TAV"));
    int fds[2] = {-1, -1};
    std::thread writer;
    if (pipe) {
        // Named as process substitution names it: /dev/fd/N.
        std::signal(SIGPIPE, SIG_IGN);
        QCOMPARE(::pipe(fds), 0);
        writer = std::thread([&] {
            for (qsizetype at = 0; at < bytes.size();) {
                const ssize_t n = ::write(fds[1], bytes.constData() + at, size_t(bytes.size() - at));
                if (n <= 0)
                    break;
                at += n;
            }
            ::close(fds[1]);
        });
        path = QStringLiteral("/dev/fd/%1").arg(fds[0]);
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString refusal;
    QByteArray read;
    try {
        read = textfile::readBytes(path, limit);
    } catch (const InputTooLarge &e) {
        refusal = e.message();
    }
    if (pipe) {
        ::close(fds[0]);
        writer.join();
    }
    QCOMPARE(!refusal.isEmpty(), refused);
    if (refused)
        QVERIFY2(refusal.contains(path), qPrintable(refusal));
    else
        QCOMPARE(read, bytes);
}

QTEST_MAIN(TestTextFile)
#include "test_textfile.moc"
