// The key label catalogue: the series table, every default text and size,
// the set as lines, the block operations, key label files (missing,
// malformed, byte-identical round trip, failed save) and applying a label
// to the cells of a strip.

#include "keylabel/applykeylabel.h"
#include "keylabel/keylabelset.h"
#include "platform/textfile.h"
#include "register/registercheck.h"
#include "register/stripwalk.h"

#include "../strip/stripfixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace keylabel;

namespace {

// The default tables written out as sentences and quoted lists, apart from
// the program's own table: the size rule, then the keys of each page.
struct DescribedTable { int table; const char16_t *sizes; const char16_t *keys[3]; };
const DescribedTable described[] = {
    {0,
     u"Sizes: 7, except 6 for keys 0, 4, 11, 15, 18, 28, 48–51 and 5 for keys 12–14, 27, 30, 38, 40–43, 52–55.",
     {uR"(Keys 0–19: "内線電話帳", "省電力", "開錠", "施錠", "音量アップ", "お待たせ", "マイク", "構内放送", "放送", "一斉呼出", "３者会議", "留守録通知", "留守通知切替", "留守再生１", "留守再生２", "早送り再生", "聴話", "拒否登録", "非通知拒否", "迷惑電話".)",
      uR"(Keys 20–39: "短縮", "通録再生", "録音", "転送", "話中処理", "留守録", "応答専用", "転送／留守録", "留守モニタ", "転送電話", "留守録＋転送", "留守切替", "夜間切替", "夜間", "休日", "外出", "不在設定", "自ＢＯＸ", "夜間一括切替", "ＦＡＸ１".)",
      uR"(Keys 40–59: "メッセージ１", "メッセージ２", "転送先１切替", "転送先２切替", "転送先１", "転送先２", "パーク１", "パーク２", "ＩＰ外線１", "ＩＰ外線２", "ＩＰ外線３", "ＩＰ外線４", "ひかり電話１", "ひかり電話２", "ひかり電話３", "ひかり電話４", "外線１", "外線２", "外線３", "外線４".)"}},
    {3,
     u"Sizes: 8, except 7 for keys 1, 25–28, 33, 34 and 6 for keys 2–4.",
     {uR"(Keys 0–19: "電話帳検索", "携帯ｸｲｯｸ発信", "電話帳１件転送", "電話帳連続転送", "電話帳１件消去", "音量アップ", "内線電話帳", "３者会議", "転送", "センサ", "マイク", "放送", "呼出応答", "ＦＡＸ", "ＦＡＸ受信", "通録再生", "停止", "録音", "聴話", "お待たせ".)",
      uR"(Keys 20–39: "留守再生１", "留守再生２", "戻り", "送り", "消去", "メッセージ０", "メッセージ１", "メッセージ２", "メッセージ３", "留守録通話", "留守録", "応答専用", "話中処理", "転送／留守録", "留守録モニタ", "夜間切替", "夜間", "休日", "外出", "不在設定".)",
      uR"(Keys 40–59: "留守切替", "転送電話", "転送先１", "転送先２", "転送先３", "ＩＰ外線１", "ＩＰ外線２", "ＩＰ外線３", "ＩＰ外線４", "盗聴防止", "外線１", "外線２", "外線３", "外線４", "番号非通知", then five empty texts (keys 55–59).)"}},
    {4,
     u"Sizes: 8, except 7 for keys 2, 10, 18, 25 and 6 for keys 13, 14, 23.",
     {uR"(Keys 0–14: "機能なし", "外線", "夜間切替ＤＨ", "夜間切替", "再生", "戻り", "送り", "消去", "停止", "通常転送", "追っかけ転送", "ツイン転送", "不応答転送", "不応答追っかけ転送", "不応答ツイン転送".)",
      uR"(Keys 15–29: "留守録", "応答専用", "話中処理", "転送／留守録", "通常着信", "転送先", "なんでも", "発信", "ヘッドセット切替", "再発信", "短縮／電話帳", "お待たせ", "録音", "プリセット", "出退".)",
      uR"(Keys 30–44: "内線", "留守切替", "マイク", "３者会議", "不在設定", "リモコン", "聴話", "履歴", "キーパッド", "サービス", "フック", "転送", "代理応答", "自己保留", then one empty text (key 44).)"}},
    {5,
     u"All sizes 8.",
     {uR"(Keys 0–14: "転送切替", "転送先切替", "転送先１", "転送先２", "転送先３", "お待たせ", "マイク", "３者通話", "キーパット", "迷惑電話", "不在設定", "夜間切替", "夜間", "外出", "休日".)",
      uR"(Keys 15–29: "聴話", "プリセット", "履歴", "転送", "自己保留", "放送", "一斉呼出", "受付", "専用線", "直通電話", "発信", "パーク１", "パーク２", "パーク３", "パーク４".)",
      uR"(Keys 30–44: "録音", "コメント", "取消", "一時停止", "終了", "ボイスメモ", "再生", "消去", "留守", "留守切替", "留守再生", "自宅", "会社", "会社", "ＦＡＸ".)"}},
    {6,
     u"Sizes: 8, except 7 for keys 0, 8, 14, 20, 27, 30, 38; 6 for keys 1, 3, 5, 7, 9–11, 16–19, 21–24, 29; 5 for keys 12, 13, 15, 28.",
     {uR"(Keys 0–14: "業務コード", "業務コード" / "指定発信", "着信拒否", "着信拒否解除", "不在転送", "不在転送解除", "話中転送", "話中転送解除", "不応答転送", "不応答転送" / "解除", "期限切れ転送", "期限切れ" / "転送解除", "ラストナンバー" / "リダイヤル", "ラストナンバー" / "コールバック", "発ID非通知".)",
      uR"(Keys 15–29: "代理応答" / "グループ指定", "代理応答個別" / "内線指定", "システム保留", "システム保留" / "応答（他）", "システム保留" / "応答（自）", "パーク保留", "パーク保留" / "応答", "着信先ルート" / "変更", "グループ着信" / "方式変更", "着信拒否切替", "不在転送", "話中転送", "不応答転送", "端末プレゼンス" / "通知", "外線ＤＩ着信".)",
      uR"(Keys 30–44: "パーク保留", "盗聴防止", "外線発信", "切替", "ログイン", "着信拒否", "不在転送", "話中転送", "不応答転送", then six empty texts (keys 39–44).)"}},
};

QList<int> keysOf(const QString &list)
{
    QList<int> out;
    for (const QString &part : list.split(u',', Qt::SkipEmptyParts)) {
        const QStringList ends = part.trimmed().split(u'–');
        for (int k = ends.at(0).toInt(); k <= ends.last().toInt(); ++k)
            out.append(k);
    }
    return out;
}

// "Sizes: 7, except 6 for keys 0, 4 and 5 for keys 12–14." or "All sizes 8."
QList<int> sizesOf(const QString &rule, int count)
{
    const QRegularExpression base(QStringLiteral("(?:Sizes: |All sizes )(\\d+)"));
    QList<int> sizes(count, base.match(rule).captured(1).toInt());
    const QRegularExpression except(QStringLiteral("(\\d+) for keys ([0-9–, ]+)"));
    for (auto it = except.globalMatch(rule); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        for (int k : keysOf(m.captured(2)))
            sizes[k] = m.captured(1).toInt();
    }
    return sizes;
}

// Quoted texts in order; "a" / "b" is one text of two lines; "then five
// empty texts" adds that many empty ones.
QStringList textsOf(const QString &keyList)
{
    QStringList out;
    const QRegularExpression token(QStringLiteral("\"([^\"]*)\"(?: / \"([^\"]*)\")?|then (\\w+) empty text"));
    const QMap<QString, int> numbers{{"one", 1}, {"five", 5}, {"six", 6}};
    for (auto it = token.globalMatch(keyList); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(3).isEmpty()) {
            for (int i = 0; i < numbers.value(m.captured(3)); ++i)
                out.append(QString());
        } else {
            out.append(m.captured(2).isNull() ? m.captured(1) : m.captured(1) + u'\n' + m.captured(2));
        }
    }
    return out;
}

struct Table
{
    QStringList texts;
    QList<int> sizes;
};

Table describedTable(int t)
{
    if (t == 1 || t == 2) {
        // Table 0's texts with an ASCII digit in key 13; sizes one larger,
        // keys 13 and 14 at 7.
        Table b = describedTable(0);
        b.texts[13] = QStringLiteral("留守再生1");
        for (int &s : b.sizes)
            ++s;
        b.sizes[13] = b.sizes[14] = 7;
        return b;
    }
    for (const DescribedTable &d : described) {
        if (d.table != t)
            continue;
        Table out;
        for (const char16_t *k : d.keys)
            out.texts += textsOf(QString::fromUtf16(k));
        out.sizes = sizesOf(QString::fromUtf16(d.sizes), int(out.texts.size()));
        return out;
    }
    return {};
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestKeyLabelSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void seriesTable_data();
    void seriesTable();
    void defaultTables_data();
    void defaultTables();
    void seriesSevenFileBegins();
    void buttonCaption_data();
    void buttonCaption();
    void writeKeyLabel_data();
    void writeKeyLabel();
    void loadMissingFileCreatesNothing();
    void loadMalformed_data();
    void loadMalformed();
    void roundTripIsByteIdentical_data();
    void roundTripIsByteIdentical();
    void failedSaveKeepsFileAndSet();
    void sharedDefaultsOwnFiles();
    void outOfRangeSeriesIsIgnored();
    void applyToCells_data();
    void applyToCells();
};

void TestKeyLabelSet::seriesTable_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("perPage");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("lineCount");
    QTest::newRow("0 Ｋ") << 0 << 20 << "TAVKey8.ini" << 0 << 300;
    QTest::newRow("1 Ｍｏ") << 1 << 20 << "TAVKey7.ini" << 0 << 300;
    QTest::newRow("2 ｕＲ") << 2 << 20 << "TAVKey6.ini" << 1 << 300;
    QTest::newRow("3 ｕＬ") << 3 << 20 << "TAVKey5.ini" << 2 << 300;
    QTest::newRow("4 ｕＴ") << 4 << 20 << "TAVKey1.ini" << 3 << 300;
    QTest::newRow("5 ｕＶ") << 5 << 15 << "TAVKey2.ini" << 4 << 225;
    QTest::newRow("6 Ｄｏ") << 6 << 15 << "TAVKey3.ini" << 5 << 225;
    QTest::newRow("7 ＳＩＰ") << 7 << 15 << "TAVKey4.ini" << 6 << 238;
}

void TestKeyLabelSet::seriesTable()
{
    QFETCH(int, series);
    QFETCH(int, perPage);
    QFETCH(QString, file);
    QFETCH(int, table);
    QFETCH(int, lineCount);
    QCOMPARE(keysPerPage(series), perPage);
    QCOMPARE(KeyLabelFileName(series), file);
    QCOMPARE(defaultTableOf(series), table);
    KeyLabelSet set;
    set.SetDefaultKeyLabels(series);
    QCOMPARE(set.lines().size(), lineCount);
    QCOMPARE(set.keyCount(), 3 * perPage);
    QVERIFY(isWellFormed(set.lines(), series));
}

void TestKeyLabelSet::defaultTables_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("table");
    for (int s = 0; s < 8; ++s)
        QTest::addRow("series %d", s) << s << (s == 0 ? 0 : s - 1);
}

// Every key of every table: the default block holds ＭＳ 明朝, the size, the
// colour line "0" and the text cut at line feeds (an empty text is one
// empty line), and ReadKeyLabel gives the same back.
void TestKeyLabelSet::defaultTables()
{
    QFETCH(int, series);
    QFETCH(int, table);
    const Table expected = describedTable(table);
    QCOMPARE(expected.texts.size(), 3 * keysPerPage(series));
    QCOMPARE(defaultTableCount(table), int(expected.texts.size()));
    KeyLabelSet set;
    set.SetDefaultKeyLabels(series);
    int line = 0;
    for (int k = 0; k < expected.texts.size(); ++k) {
        const QString text = expected.texts.at(k);
        QCOMPARE(QString::fromUtf16(defaultKey(table, k).text), text);
        QCOMPARE(defaultKey(table, k).size, expected.sizes.at(k));
        const QStringList textLines = text.split(u'\n');
        const QStringList block = set.lines().mid(line, 4 + textLines.size());
        QCOMPARE(block, (QStringList{"ＭＳ 明朝", QString::number(expected.sizes.at(k)), "0",
                                     QString::number(textLines.size())} + textLines));
        line += int(block.size());
        const KeyLabel label = set.ReadKeyLabel(k);
        QCOMPARE(label.lines, textLines);
        QCOMPARE(label.fontSize, expected.sizes.at(k));
        QCOMPARE(label.textColour, 0);
        QCOMPARE(label.backColour, 16777215);
    }
    QCOMPARE(line, int(set.lines().size()));
}

void TestKeyLabelSet::seriesSevenFileBegins()
{
    KeyLabelSet set;
    set.SetDefaultKeyLabels(7);
    QCOMPARE(set.lines().mid(0, 11), (QStringList{"ＭＳ 明朝", "7", "0", "1", "業務コード", "ＭＳ 明朝", "6", "0", "2",
                                                  "業務コード", "指定発信"}));
    // A few forms that are easy to get wrong.
    KeyLabelSet t0, t1, t4, t5, t3;
    t0.SetDefaultKeyLabels(0);
    t1.SetDefaultKeyLabels(2);
    t3.SetDefaultKeyLabels(4);
    t4.SetDefaultKeyLabels(5);
    t5.SetDefaultKeyLabels(6);
    QCOMPARE(t0.ReadKeyLabel(13).lines, QStringList{"留守再生１"});
    QCOMPARE(t1.ReadKeyLabel(13).lines, QStringList{"留守再生1"});
    QCOMPARE(t1.ReadKeyLabel(14).fontSize, 7);
    QCOMPARE(t3.ReadKeyLabel(1).lines, QStringList{"携帯ｸｲｯｸ発信"});
    QCOMPARE(t4.ReadKeyLabel(38).lines, QStringList{"キーパッド"});
    QCOMPARE(t5.ReadKeyLabel(8).lines, QStringList{"キーパット"});
    QCOMPARE(t5.ReadKeyLabel(42).lines, QStringList{"会社"});
    QCOMPARE(t5.ReadKeyLabel(43).lines, QStringList{"会社"});
    // Empty default: count 1, one empty line, caption empty at 9 points.
    const KeyLabel empty = t3.ReadKeyLabel(55);
    QCOMPARE(empty.lines, QStringList{QString()});
    QCOMPARE(KeyButtonCaption(empty.lines).text, QString());
    QCOMPARE(KeyButtonCaption(empty.lines).pointSize, 9);
}

void TestKeyLabelSet::buttonCaption_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("points");
    QTest::newRow("none") << QStringList() << "" << 9;
    QTest::newRow("one") << QStringList{"転送"} << "転送" << 9;
    QTest::newRow("one empty") << QStringList{""} << "" << 9;
    QTest::newRow("two") << QStringList{"業務コード", "指定発信"} << "業務コード\n指定発信" << 8;
    QTest::newRow("three: the third is not shown") << QStringList{"a", "b", "c"} << "a\nb" << 8;
}

void TestKeyLabelSet::buttonCaption()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, caption);
    QFETCH(int, points);
    QCOMPARE(KeyButtonCaption(lines).text, caption);
    QCOMPARE(KeyButtonCaption(lines).pointSize, points);
}

void TestKeyLabelSet::writeKeyLabel_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("text");
    QTest::addColumn<int>("back");
    QTest::addColumn<QString>("colourLine");
    QTest::newRow("same colours: both numbers stored") << 0 << QStringList{"業務コード"} << 0 << 16777215
                                                        << "0,16777215";
    QTest::newRow("no lines: count 0") << 1 << QStringList() << 255 << 65280 << "255,65280";
    QTest::newRow("three lines") << 44 << QStringList{"一", "二", "三"} << 16711680 << 0 << "16711680,0";
}

void TestKeyLabelSet::writeKeyLabel()
{
    QFETCH(int, key);
    QFETCH(QStringList, lines);
    QFETCH(int, text);
    QFETCH(int, back);
    QFETCH(QString, colourLine);
    KeyLabelSet set;
    set.SetDefaultKeyLabels(7);
    const QStringList before = set.lines();
    const KeyLabel old = set.ReadKeyLabel(key);
    const KeyLabel next{"ＭＳ Ｐゴシック", 12, text, back, lines};
    set.WriteKeyLabel(key, next);
    QCOMPARE(set.ReadKeyLabel(key), next);
    QCOMPARE(set.keyCount(), 45);
    QVERIFY(isWellFormed(set.lines(), 7));
    // Only the block of the key changed; the blocks after it moved.
    int b = 0;
    for (int k = 0; k < key; ++k)
        b += 4 + int(set.ReadKeyLabel(k).lines.size());
    QCOMPARE(set.lines().mid(0, b), before.mid(0, b));
    QCOMPARE(set.lines().at(b + 2), colourLine);
    QCOMPARE(set.lines().at(b + 3), QString::number(lines.size()));
    const int oldEnd = b + 4 + int(old.lines.size());
    const int newEnd = b + 4 + int(lines.size());
    QCOMPARE(set.lines().mid(newEnd), before.mid(oldEnd));
}

void TestKeyLabelSet::loadMissingFileCreatesNothing()
{
    QTemporaryDir dir;
    KeyLabelSet set(dir.path());
    QCOMPARE(set.LoadKeyLabels(7), LoadResult::Defaults);
    KeyLabelSet defaults;
    defaults.SetDefaultKeyLabels(7);
    QCOMPARE(set.lines(), defaults.lines());
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void TestKeyLabelSet::loadMalformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wellFormed");
    KeyLabelSet d;
    d.SetDefaultKeyLabels(5);
    const QByteArray good = textfile::encode(d.lines());
    auto with = [&](int line, const QString &text) {
        QStringList l = d.lines();
        l[line] = text;
        return textfile::encode(l);
    };
    QTest::newRow("the defaults") << good << true;
    QTest::newRow("size not a number") << with(1, "大") << false;
    QTest::newRow("count not a number") << with(3, "x") << false;
    QTest::newRow("negative count") << with(3, "-1") << false;
    QTest::newRow("count past the end") << with(int(d.lines().size()) - 2, "99") << false;
    QTest::newRow("too few keys") << textfile::encode(d.lines().mid(0, 100)) << false;
    QTest::newRow("lines after the last key") << textfile::encode(d.lines() + QStringList{"extra"}) << true;
    QTest::newRow("a trailing empty line") << textfile::encode(d.lines()) + "\r\n" << true;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("a 60-key file for 15 keys a page") << [] {
        KeyLabelSet s0;
        s0.SetDefaultKeyLabels(0);
        return textfile::encode(s0.lines());
    }() << true;
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe\r\n\x81", 8) << false;
}

// A file that can be read but does not hold 3 × N blocks gives the defaults
// in memory and leaves the file as it was; nothing reads past the end.
void TestKeyLabelSet::loadMalformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, wellFormed);
    QTemporaryDir dir;
    const QString path = dir.filePath("TAVKey2.ini");
    writeBytes(path, bytes);
    KeyLabelSet set(dir.path());
    QCOMPARE(set.LoadKeyLabels(5), wellFormed ? LoadResult::File : LoadResult::Malformed);
    QCOMPARE(set.keyCount(), 45);
    for (int k = 0; k < 45; ++k)
        set.ReadKeyLabel(k);
    QVERIFY_THROWS_EXCEPTION(TavrelError, set.ReadKeyLabel(45));
    QVERIFY_THROWS_EXCEPTION(TavrelError, set.ReadKeyLabel(-1));
    QCOMPARE(bytesOf(path), bytes);
    QVERIFY(malformedFileMessage(path).contains(path));
}

void TestKeyLabelSet::roundTripIsByteIdentical_data()
{
    QTest::addColumn<QByteArray>("bytes");
    KeyLabelSet d;
    d.SetDefaultKeyLabels(7);
    QStringList l = d.lines();
    // Blocks that operations wrote, mixed with untouched ones ("0" stays "0").
    l[2] = "255,65280";
    l[0] = "ＭＳ Ｐゴシック";
    l[l.size() - 1] = "ｶﾅ～①＼";
    QTest::newRow("CP932") << textfile::encode(l);
    QTest::newRow("UTF-8 with mark") << textfile::encode(l, TextEncoding::Utf8Bom);
    // What follows the blocks is written back byte for byte.
    QTest::newRow("a trailing empty line") << textfile::encode(l) + "\r\n";
    QTest::newRow("more keys after the blocks, LF ends, a byte pair CP932 lacks")
        << textfile::encode(l) + QByteArray("\x82\x6c\x82\x72 \x96\xbe\x92\xa9\n7\n0\n1\n\x85\x40\n");
}

void TestKeyLabelSet::roundTripIsByteIdentical()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("TAVKey4.ini");
    writeBytes(path, bytes);
    KeyLabelSet set(dir.path());
    QCOMPARE(set.LoadKeyLabels(7), LoadResult::File);
    QFile::remove(path);
    set.WriteKeyLabel(0, set.ReadKeyLabel(0));
    set.SaveKeyLabels(7);
    QCOMPARE(bytesOf(path), bytes);
}

void TestKeyLabelSet::failedSaveKeepsFileAndSet()
{
    QTemporaryDir dir;
    KeyLabelSet set(dir.path());
    set.LoadKeyLabels(0);
    set.WriteKeyLabel(3, {"ＭＳ 明朝", 9, 0, 0, {"新"}});
    const QStringList edited = set.lines();
    // A folder where the file belongs: the write cannot replace it.
    QVERIFY(QDir(dir.path()).mkdir("TAVKey8.ini"));
    QVERIFY_THROWS_EXCEPTION(FileError, set.SaveKeyLabels(0));
    QCOMPARE(set.lines(), edited);
    // A character the code page cannot hold: the old file stays.
    QDir(dir.path()).rmdir("TAVKey8.ini");
    set.SaveKeyLabels(0);
    const QByteArray saved = bytesOf(dir.filePath("TAVKey8.ini"));
    const KeyLabel emoji{"ＭＳ 明朝", 9, 0, 0, {"ab", "x😀"}};
    QCOMPARE(set.unencodableCharacter(emoji), QStringLiteral("😀"));
    QCOMPARE(set.unencodableCharacter({"ＭＳ 明朝", 9, 0, 0, {"ｶﾅ～①＼"}}), QString());
    set.WriteKeyLabel(3, emoji);
    QVERIFY_THROWS_EXCEPTION(EncodingError, set.SaveKeyLabels(0));
    QCOMPARE(bytesOf(dir.filePath("TAVKey8.ini")), saved);
}

void TestKeyLabelSet::sharedDefaultsOwnFiles()
{
    QTemporaryDir dir;
    KeyLabelSet a(dir.path()), b(dir.path());
    a.LoadKeyLabels(0);
    b.LoadKeyLabels(1);
    QCOMPARE(a.lines(), b.lines());
    a.SaveKeyLabels(0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"TAVKey8.ini"});
    b.SaveKeyLabels(1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"TAVKey7.ini", "TAVKey8.ini"}));
    // The file is CP932 with CR LF after every line.
    const QByteArray bytes = bytesOf(dir.filePath("TAVKey8.ini"));
    QVERIFY(bytes.startsWith(QByteArray("\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9\r\n6\r\n0\r\n", 17)));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), 300);
}

void TestKeyLabelSet::outOfRangeSeriesIsIgnored()
{
    QTemporaryDir dir;
    KeyLabelSet set(dir.path());
    set.LoadKeyLabels(3);
    const QStringList before = set.lines();
    QCOMPARE(set.LoadKeyLabels(8), LoadResult::Ignored);
    QCOMPARE(set.LoadKeyLabels(-1), LoadResult::Ignored);
    set.SaveKeyLabels(9);
    set.SetDefaultKeyLabels(12);
    QCOMPARE(set.lines(), before);
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(KeyLabelFileName(8), QString());
    QCOMPARE(keysPerPage(8), 0);
}

void TestKeyLabelSet::applyToCells_data()
{
    QTest::addColumn<QStringList>("label");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("cell3"); // cell 3's text before
    const QStringList one{"内線2"};
    QTest::newRow("two lines onto one") << QStringList{"業務コード", "指定発信"} << QStringList{"業務コード", "指定発信"}
                                        << one;
    QTest::newRow("one empty line") << QStringList{""} << QStringList{""} << one;
    QTest::newRow("no lines") << QStringList() << QStringList() << one;
    QTest::newRow("a long line is cut to 20") << QStringList{"１２３４５６７８９０１２３４５６７８９０１２"}
                                              << QStringList{"１２３４５６７８９０１２３４５６７８９０"} << one;
    QTest::newRow("characters counted, not units")
        << QStringList{QString(19, u'a') + QStringLiteral("漢字")} << QStringList{QString(19, u'a') + QStringLiteral("漢")}
        << one;
    QTest::newRow("one cell keeps its length, one shrinks")
        << QStringList{"転送"} << QStringList{"転送"} << QStringList{"一", "二", "三"};
}

// Cells 0, 1 and 3 (listed out of order, 3 twice); cell 1 shows a picture
// and is skipped. Lines 19 to 21 and the text change, bold/italic/alignment
// stay, and the entry after stays intact.
void TestKeyLabelSet::applyToCells()
{
    QFETCH(QStringList, label);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, cell3);
    TestEntry e = entryWithCells({2, 2});
    e.sections[1].cells[1].text = cell3;
    e.sections[0].cells[1].pictureType = ".bmp";
    e.sections[0].cells[1].pictureData = "Qk0=";
    for (TestSection &s : e.sections)
        for (TestCell &c : s.cells)
            c.colours = "255";
    RegisterDocument doc;
    doc.setLines(registerLines({e, entryWithCells({1})}));
    const QStringList before = doc.lines().toStringList();
    const KeyLabel k{"ＭＳ 明朝", 7, 0, 16777215, label};
    const QList<int> changed = applyKeyLabel(doc, FirstHeader, {3, 1, 0, 3}, k);
    QCOMPARE(changed, (QList<int>{0, 3}));
    for (int cell = 0; cell < 4; ++cell) {
        const int a = strip::locateCell(doc.lines(), FirstHeader, cell);
        const bool applied = cell == 0 || cell == 3;
        QCOMPARE(doc.line(a + 19), applied ? QStringLiteral("ＭＳ 明朝") : QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(doc.line(a + 20), applied ? QStringLiteral("7") : QStringLiteral("9"));
        QCOMPARE(doc.line(a + 21), applied ? QStringLiteral("0,16777215") : QStringLiteral("255"));
        QCOMPARE(doc.lines().mid(a + 22, 3), (QStringList{"0", "0", "2"}));
        const int n = doc.intAt(a + 32);
        if (applied)
            QCOMPARE(doc.lines().mid(a + 33, n), expected);
        else
            QCOMPARE(doc.lines().mid(a + 33, n), QStringList{QStringLiteral("内線%1").arg(cell % 2 + 1)});
    }
    QCOMPARE(doc.lineCount(), before.size() + 2 * expected.size() - 1 - cell3.size());
    QVERIFY(checkRegister(doc.lines()).isEmpty());
    const int second = doc.findEntry(2);
    QCOMPARE(doc.lines().mid(second), before.mid(before.size() - (doc.lineCount() - second)));
    // A cell that does not exist is refused before anything changes.
    RegisterDocument again;
    again.setLines(before);
    QVERIFY_THROWS_EXCEPTION(TavrelError, applyKeyLabel(again, FirstHeader, {9}, k));
    QCOMPARE(again.lines().toStringList(), before);
}

QTEST_GUILESS_MAIN(TestKeyLabelSet)
#include "test_keylabelset.moc"
