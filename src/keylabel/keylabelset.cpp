#include "keylabel/keylabelset.h"
#include "register/textrule.h"

#include "platform/characters.h"
#include "platform/conversion.h"
#include "register/series.h"
#include "strip/colourline.h"

#include <QFileInfo>

namespace keylabel {

namespace {

struct SeriesRow
{
    int fileNumber;
    int table;
};
// Series 4 to 7 use files 1 to 4, series 3 to 0 files 5 to 8; series 0
// shares default table 0 with series 1.
const SeriesRow seriesTable[series::Count] = {{8, 0}, {7, 0}, {6, 1}, {5, 2}, {1, 3}, {2, 4}, {3, 5}, {4, 6}};

bool validSeries(int s)
{
    return s >= 0 && s < series::Count;
}

// The default tables, one entry per key; tables 1 and 2 are the same.
const DefaultKey Table0[60] = {
    {u"内線電話帳", 6}, {u"省電力", 7}, {u"開錠", 7}, {u"施錠", 7}, {u"音量アップ", 6},
    {u"お待たせ", 7}, {u"マイク", 7}, {u"構内放送", 7}, {u"放送", 7}, {u"一斉呼出", 7},
    {u"３者会議", 7}, {u"留守録通知", 6}, {u"留守通知切替", 5}, {u"留守再生１", 5}, {u"留守再生２", 5},
    {u"早送り再生", 6}, {u"聴話", 7}, {u"拒否登録", 7}, {u"非通知拒否", 6}, {u"迷惑電話", 7},
    {u"短縮", 7}, {u"通録再生", 7}, {u"録音", 7}, {u"転送", 7}, {u"話中処理", 7},
    {u"留守録", 7}, {u"応答専用", 7}, {u"転送／留守録", 5}, {u"留守モニタ", 6}, {u"転送電話", 7},
    {u"留守録＋転送", 5}, {u"留守切替", 7}, {u"夜間切替", 7}, {u"夜間", 7}, {u"休日", 7},
    {u"外出", 7}, {u"不在設定", 7}, {u"自ＢＯＸ", 7}, {u"夜間一括切替", 5}, {u"ＦＡＸ１", 7},
    {u"メッセージ１", 5}, {u"メッセージ２", 5}, {u"転送先１切替", 5}, {u"転送先２切替", 5}, {u"転送先１", 7},
    {u"転送先２", 7}, {u"パーク１", 7}, {u"パーク２", 7}, {u"ＩＰ外線１", 6}, {u"ＩＰ外線２", 6},
    {u"ＩＰ外線３", 6}, {u"ＩＰ外線４", 6}, {u"ひかり電話１", 5}, {u"ひかり電話２", 5}, {u"ひかり電話３", 5},
    {u"ひかり電話４", 5}, {u"外線１", 7}, {u"外線２", 7}, {u"外線３", 7}, {u"外線４", 7},
};
const DefaultKey Table12[60] = {
    {u"内線電話帳", 7}, {u"省電力", 8}, {u"開錠", 8}, {u"施錠", 8}, {u"音量アップ", 7},
    {u"お待たせ", 8}, {u"マイク", 8}, {u"構内放送", 8}, {u"放送", 8}, {u"一斉呼出", 8},
    {u"３者会議", 8}, {u"留守録通知", 7}, {u"留守通知切替", 6}, {u"留守再生1", 7}, {u"留守再生２", 7},
    {u"早送り再生", 7}, {u"聴話", 8}, {u"拒否登録", 8}, {u"非通知拒否", 7}, {u"迷惑電話", 8},
    {u"短縮", 8}, {u"通録再生", 8}, {u"録音", 8}, {u"転送", 8}, {u"話中処理", 8},
    {u"留守録", 8}, {u"応答専用", 8}, {u"転送／留守録", 6}, {u"留守モニタ", 7}, {u"転送電話", 8},
    {u"留守録＋転送", 6}, {u"留守切替", 8}, {u"夜間切替", 8}, {u"夜間", 8}, {u"休日", 8},
    {u"外出", 8}, {u"不在設定", 8}, {u"自ＢＯＸ", 8}, {u"夜間一括切替", 6}, {u"ＦＡＸ１", 8},
    {u"メッセージ１", 6}, {u"メッセージ２", 6}, {u"転送先１切替", 6}, {u"転送先２切替", 6}, {u"転送先１", 8},
    {u"転送先２", 8}, {u"パーク１", 8}, {u"パーク２", 8}, {u"ＩＰ外線１", 7}, {u"ＩＰ外線２", 7},
    {u"ＩＰ外線３", 7}, {u"ＩＰ外線４", 7}, {u"ひかり電話１", 6}, {u"ひかり電話２", 6}, {u"ひかり電話３", 6},
    {u"ひかり電話４", 6}, {u"外線１", 8}, {u"外線２", 8}, {u"外線３", 8}, {u"外線４", 8},
};
const DefaultKey Table3[60] = {
    {u"電話帳検索", 8}, {u"携帯ｸｲｯｸ発信", 7}, {u"電話帳１件転送", 6}, {u"電話帳連続転送", 6}, {u"電話帳１件消去", 6},
    {u"音量アップ", 8}, {u"内線電話帳", 8}, {u"３者会議", 8}, {u"転送", 8}, {u"センサ", 8},
    {u"マイク", 8}, {u"放送", 8}, {u"呼出応答", 8}, {u"ＦＡＸ", 8}, {u"ＦＡＸ受信", 8},
    {u"通録再生", 8}, {u"停止", 8}, {u"録音", 8}, {u"聴話", 8}, {u"お待たせ", 8},
    {u"留守再生１", 8}, {u"留守再生２", 8}, {u"戻り", 8}, {u"送り", 8}, {u"消去", 8},
    {u"メッセージ０", 7}, {u"メッセージ１", 7}, {u"メッセージ２", 7}, {u"メッセージ３", 7}, {u"留守録通話", 8},
    {u"留守録", 8}, {u"応答専用", 8}, {u"話中処理", 8}, {u"転送／留守録", 7}, {u"留守録モニタ", 7},
    {u"夜間切替", 8}, {u"夜間", 8}, {u"休日", 8}, {u"外出", 8}, {u"不在設定", 8},
    {u"留守切替", 8}, {u"転送電話", 8}, {u"転送先１", 8}, {u"転送先２", 8}, {u"転送先３", 8},
    {u"ＩＰ外線１", 8}, {u"ＩＰ外線２", 8}, {u"ＩＰ外線３", 8}, {u"ＩＰ外線４", 8}, {u"盗聴防止", 8},
    {u"外線１", 8}, {u"外線２", 8}, {u"外線３", 8}, {u"外線４", 8}, {u"番号非通知", 8},
    {u"", 8}, {u"", 8}, {u"", 8}, {u"", 8}, {u"", 8},
};
const DefaultKey Table4[45] = {
    {u"機能なし", 8}, {u"外線", 8}, {u"夜間切替ＤＨ", 7}, {u"夜間切替", 8}, {u"再生", 8},
    {u"戻り", 8}, {u"送り", 8}, {u"消去", 8}, {u"停止", 8}, {u"通常転送", 8},
    {u"追っかけ転送", 7}, {u"ツイン転送", 8}, {u"不応答転送", 8}, {u"不応答追っかけ転送", 6}, {u"不応答ツイン転送", 6},
    {u"留守録", 8}, {u"応答専用", 8}, {u"話中処理", 8}, {u"転送／留守録", 7}, {u"通常着信", 8},
    {u"転送先", 8}, {u"なんでも", 8}, {u"発信", 8}, {u"ヘッドセット切替", 6}, {u"再発信", 8},
    {u"短縮／電話帳", 7}, {u"お待たせ", 8}, {u"録音", 8}, {u"プリセット", 8}, {u"出退", 8},
    {u"内線", 8}, {u"留守切替", 8}, {u"マイク", 8}, {u"３者会議", 8}, {u"不在設定", 8},
    {u"リモコン", 8}, {u"聴話", 8}, {u"履歴", 8}, {u"キーパッド", 8}, {u"サービス", 8},
    {u"フック", 8}, {u"転送", 8}, {u"代理応答", 8}, {u"自己保留", 8}, {u"", 8},
};
const DefaultKey Table5[45] = {
    {u"転送切替", 8}, {u"転送先切替", 8}, {u"転送先１", 8}, {u"転送先２", 8}, {u"転送先３", 8},
    {u"お待たせ", 8}, {u"マイク", 8}, {u"３者通話", 8}, {u"キーパット", 8}, {u"迷惑電話", 8},
    {u"不在設定", 8}, {u"夜間切替", 8}, {u"夜間", 8}, {u"外出", 8}, {u"休日", 8},
    {u"聴話", 8}, {u"プリセット", 8}, {u"履歴", 8}, {u"転送", 8}, {u"自己保留", 8},
    {u"放送", 8}, {u"一斉呼出", 8}, {u"受付", 8}, {u"専用線", 8}, {u"直通電話", 8},
    {u"発信", 8}, {u"パーク１", 8}, {u"パーク２", 8}, {u"パーク３", 8}, {u"パーク４", 8},
    {u"録音", 8}, {u"コメント", 8}, {u"取消", 8}, {u"一時停止", 8}, {u"終了", 8},
    {u"ボイスメモ", 8}, {u"再生", 8}, {u"消去", 8}, {u"留守", 8}, {u"留守切替", 8},
    {u"留守再生", 8}, {u"自宅", 8}, {u"会社", 8}, {u"会社", 8}, {u"ＦＡＸ", 8},
};
const DefaultKey Table6[45] = {
    {u"業務コード", 7}, {u"業務コード\n指定発信", 6}, {u"着信拒否", 8}, {u"着信拒否解除", 6}, {u"不在転送", 8},
    {u"不在転送解除", 6}, {u"話中転送", 8}, {u"話中転送解除", 6}, {u"不応答転送", 7}, {u"不応答転送\n解除", 6},
    {u"期限切れ転送", 6}, {u"期限切れ\n転送解除", 6}, {u"ラストナンバー\nリダイヤル", 5}, {u"ラストナンバー\nコールバック", 5}, {u"発ID非通知", 7},
    {u"代理応答\nグループ指定", 5}, {u"代理応答個別\n内線指定", 6}, {u"システム保留", 6}, {u"システム保留\n応答（他）", 6}, {u"システム保留\n応答（自）", 6},
    {u"パーク保留", 7}, {u"パーク保留\n応答", 6}, {u"着信先ルート\n変更", 6}, {u"グループ着信\n方式変更", 6}, {u"着信拒否切替", 6},
    {u"不在転送", 8}, {u"話中転送", 8}, {u"不応答転送", 7}, {u"端末プレゼンス\n通知", 5}, {u"外線ＤＩ着信", 6},
    {u"パーク保留", 7}, {u"盗聴防止", 8}, {u"外線発信", 8}, {u"切替", 8}, {u"ログイン", 8},
    {u"着信拒否", 8}, {u"不在転送", 8}, {u"話中転送", 8}, {u"不応答転送", 7}, {u"", 8},
    {u"", 8}, {u"", 8}, {u"", 8}, {u"", 8}, {u"", 8},
};

struct TableRef
{
    const DefaultKey *keys;
    int count;
};
const TableRef tables[7] = {{Table0, 60}, {Table12, 60}, {Table12, 60}, {Table3, 60},
                            {Table4, 45}, {Table5, 45}, {Table6, 45}};

// Block layout.
constexpr int FontLine = 0;
constexpr int SizeLine = 1;
constexpr int ColourLine = 2;
constexpr int CountLine = 3;
constexpr int FirstTextLine = 4;

} // namespace

const QString DefaultFontName = QStringLiteral("ＭＳ 明朝");

int keysPerPage(int s)
{
    return series::keyLabelsPerPage(s);
}

QString KeyLabelFileName(int s)
{
    return validSeries(s) ? QStringLiteral("TAVKey%1.ini").arg(seriesTable[s].fileNumber) : QString();
}

int defaultTableOf(int s)
{
    return validSeries(s) ? seriesTable[s].table : -1;
}

int defaultTableCount(int table)
{
    return table >= 0 && table < 7 ? tables[table].count : 0;
}

DefaultKey defaultKey(int table, int k)
{
    if (k < 0 || k >= defaultTableCount(table))
        return {u"", 0};
    return tables[table].keys[k];
}

ButtonCaption KeyButtonCaption(const QStringList &lines)
{
    if (lines.isEmpty())
        return {QString(), 9};
    if (lines.size() == 1)
        return {lines.constFirst(), 9};
    return {lines.at(0) + u'\n' + lines.at(1), 8};
}

QString malformedFileMessage(const QString &path)
{
    return QStringLiteral("キーラベルファイル %1 の内容が正しくないため、初期値のキーラベルを使います。\n"
                          "このファイルは、キーラベル設定の OK で置き換えてよいか確認するまで変更しません。")
        .arg(path);
}

QString replaceUnusedFileMessage(const QString &path)
{
    return QStringLiteral("キーラベルファイル %1 は読み込めなかったため、初期値のキーラベルを使っています。\n"
                          "このファイルを置き換えますか?")
        .arg(path);
}

QString unencodableMessage(const QString &character)
{
    return QStringLiteral("「%1」はキーラベルファイルに保存できない文字です。").arg(character);
}

QString saveFailedMessage(const QString &reason)
{
    return QStringLiteral("キーラベルファイルを保存できませんでした。\n") + reason;
}

qsizetype blocksLength(const QStringList &lines, int s)
{
    const int keys = Pages * keysPerPage(s);
    if (keys == 0)
        return -1;
    const qsizetype size = lines.size();
    qsizetype at = 0;
    for (int k = 0; k < keys; ++k) {
        int points = 0, n = 0;
        if (at + FirstTextLine > size || !tryParseInt(lines.at(at + SizeLine), points)
            || !tryParseInt(lines.at(at + CountLine), n) || n < 0 || n > size - at - FirstTextLine)
            return -1;
        at += FirstTextLine + n;
    }
    return at;
}

bool isWellFormed(const QStringList &lines, int s)
{
    return blocksLength(lines, s) == lines.size();
}

// ---------------------------------------------------------------- KeyLabelSet

KeyLabelSet::KeyLabelSet(const QString &folder)
{
    setFolder(folder);
}

void KeyLabelSet::setFolder(const QString &folder)
{
    m_folder = folder;
    if (!m_folder.isEmpty() && !m_folder.endsWith(u'/'))
        m_folder += u'/';
}

QString KeyLabelSet::filePath(int s) const
{
    return validSeries(s) ? m_folder + KeyLabelFileName(s) : QString();
}

int KeyLabelSet::keyCount() const
{
    int keys = 0;
    qsizetype at = 0;
    int n = 0;
    while (at + FirstTextLine <= m_lines.size() && tryParseInt(m_lines.at(at + CountLine), n) && n >= 0
           && n <= m_lines.size() - at - FirstTextLine) {
        at += FirstTextLine + n;
        ++keys;
    }
    return keys;
}

void KeyLabelSet::SetDefaultKeyLabels(int s)
{
    if (!validSeries(s))
        return;
    const TableRef &t = tables[seriesTable[s].table];
    const int keys = Pages * keysPerPage(s);
    QStringList out;
    out.reserve(keys * 5);
    for (int k = 0; k < keys && k < t.count; ++k) {
        // An empty text is one empty line, not none.
        const QStringList text = QString::fromUtf16(t.keys[k].text).split(u'\n');
        out << DefaultFontName << QString::number(t.keys[k].size) << QStringLiteral("0")
            << QString::number(text.size());
        out += text;
    }
    m_lines = out;
}

LoadResult KeyLabelSet::LoadKeyLabels(int s)
{
    if (!validSeries(s))
        return LoadResult::Ignored;
    m_tail.clear();
    QByteArray bytes;
    try {
        bytes = textfile::readBytes(filePath(s));
    } catch (const TavrelError &) {
        // Missing, no access or a read error: the defaults, silently; a file
        // that is there is not replaced without asking.
        m_encoding = TextEncoding::Cp932;
        m_unusedFile = QFileInfo::exists(filePath(s));
        SetDefaultKeyLabels(s);
        return LoadResult::Defaults;
    }
    TextFileContent content = textfile::decode(bytes);
    m_encoding = content.encoding;
    const qsizetype length = blocksLength(content.lines, s);
    m_unusedFile = length < 0;
    if (length < 0) {
        SetDefaultKeyLabels(s);
        return LoadResult::Malformed;
    }
    if (length < content.lines.size()) {
        // Keep the bytes from the first line after the blocks on.
        int mark = 0;
        textfile::detectEncoding(bytes, &mark);
        qsizetype line = 0, tailStart = -1;
        textfile::forEachLine(bytes.constData() + mark, bytes.size() - mark, m_encoding,
                              [&](qsizetype start, qsizetype) {
                                  if (line++ == length)
                                      tailStart = mark + start;
                              });
        m_tail = bytes.mid(tailStart);
        content.lines.resize(length);
    }
    m_lines = std::move(content.lines);
    return LoadResult::File;
}

void KeyLabelSet::SaveKeyLabels(int s)
{
    if (!validSeries(s))
        return;
    textfile::writeBytes(filePath(s), textfile::encode(m_lines, m_encoding) + m_tail, textfile::OutputFile::Links::Refuse);
    m_unusedFile = false;
}

int KeyLabelSet::blockOf(int k) const
{
    if (k < 0)
        throw TavrelError(QStringLiteral("キーラベル %1 はありません。").arg(k));
    qsizetype at = 0;
    for (int i = 0;; ++i) {
        if (at + FirstTextLine > m_lines.size())
            throw TavrelError(QStringLiteral("キーラベル %1 はありません。").arg(k));
        if (i == k)
            return int(at);
        const int n = parseInt(m_lines.at(at + CountLine), int(at + CountLine));
        if (n < 0 || n > m_lines.size() - at - FirstTextLine)
            throw TavrelError(QStringLiteral("キーラベル %1 はありません。").arg(k));
        at += FirstTextLine + n;
    }
}

QString KeyLabelSet::unencodableCharacter(const KeyLabel &label) const
{
    if (m_encoding != TextEncoding::Cp932)
        return QString(); // the Unicode encodings hold every character
    QByteArray scratch;
    for (const QString &text : QStringList{label.fontName} + label.lines) {
        qsizetype bad = 0;
        scratch.clear();
        if (textfile::encodeCp932(text, scratch, &bad))
            continue;
        return characters::at(text, bad);
    }
    return QString();
}

KeyLabel KeyLabelSet::ReadKeyLabel(int k) const
{
    const int b = blockOf(k);
    KeyLabel label;
    label.fontName = m_lines.at(b + FontLine);
    label.fontSize = parseInt(m_lines.at(b + SizeLine), b + SizeLine);
    label.textColour = strip::textColourOf(m_lines.at(b + ColourLine));
    label.backColour = strip::backgroundColourOf(m_lines.at(b + ColourLine));
    const int n = parseInt(m_lines.at(b + CountLine), b + CountLine);
    if (n < 0 || n > m_lines.size() - b - FirstTextLine)
        throw TavrelError(QStringLiteral("キーラベル %1 はありません。").arg(k));
    label.lines = m_lines.mid(b + FirstTextLine, n);
    return label;
}

void KeyLabelSet::WriteKeyLabel(int k, const KeyLabel &label)
{
    const int b = blockOf(k);
    const int n = parseInt(m_lines.at(b + CountLine), b + CountLine);
    if (n < 0 || n > m_lines.size() - b - FirstTextLine)
        throw TavrelError(QStringLiteral("キーラベル %1 はありません。").arg(k));
    // A line of the set never holds a line break: a label line that does
    // would shift every later block when the file is read back.
    QStringList text;
    text.reserve(label.lines.size());
    for (const QString &l : label.lines) {
        QString t = textrule::mapInput(l, m_encoding);
        t.replace(u'\r', u' ').replace(u'\n', u' ');
        text.append(t);
    }
    QString face = textrule::mapInput(label.fontName, m_encoding);
    face.replace(u'\r', u' ').replace(u'\n', u' ');
    m_lines.remove(b + FirstTextLine, n);
    m_lines[b + FontLine] = face;
    m_lines[b + SizeLine] = QString::number(label.fontSize);
    m_lines[b + ColourLine] = strip::withTextColour(m_lines.at(b + ColourLine), label.textColour);
    m_lines[b + ColourLine] = strip::withBackgroundColour(m_lines.at(b + ColourLine), label.backColour);
    m_lines[b + CountLine] = QString::number(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        m_lines.insert(b + FirstTextLine + i, text.at(i));
}

} // namespace keylabel
