#include "register/textrule.h"

#include "platform/characters.h"
#include "register/registerdocument.h"

namespace textrule {

namespace {

// The characters input methods produce and the code page's own.
constexpr std::pair<char16_t, char16_t> InputMapping[] = {
    {0x301C, 0xFF5E}, {0x2212, 0xFF0D}, {0x2016, 0x2225}, {0x00A2, 0xFFE0},
    {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x2014, 0x2015},
};

char16_t mapped(char16_t u)
{
    for (const auto &[from, to] : InputMapping)
        if (u == from)
            return to;
    return u;
}

bool isControl(QChar c)
{
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
        return false;
    const QChar::Category cat = c.category();
    return cat == QChar::Other_Control || cat == QChar::Separator_Line || cat == QChar::Separator_Paragraph;
}

} // namespace

int maxLength(Field field)
{
    // The register list's columns, which the list print cuts to these.
    switch (field) {
    case Field::Extension:
        return 14;
    case Field::Department:
        return 32;
    case Field::UserName:
        return 20;
    default:
        return 0;
    }
}

QString fieldName(Field field)
{
    switch (field) {
    case Field::CellLine:
        return QStringLiteral("文字列");
    case Field::KeyLabel:
        return QStringLiteral("キーラベル");
    case Field::Extension:
        return QStringLiteral("内線番号");
    case Field::Department:
        return QStringLiteral("部署");
    case Field::UserName:
        return QStringLiteral("使用者名");
    case Field::FontFace:
        return QStringLiteral("フォント名");
    case Field::ReplaceText:
        return QStringLiteral("置換後の文字列");
    }
    return QString();
}

QString mapInput(const QString &text, TextEncoding encoding)
{
    if (encoding != TextEncoding::Cp932)
        return text;
    QString out = text; // shared until a character is mapped
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t u = out.at(i).unicode();
        if (u >= 0xA2 && mapped(u) != u)
            out[i] = QChar(mapped(u));
    }
    return out;
}

QStringList mapInput(const QStringList &lines, TextEncoding encoding)
{
    QStringList out;
    out.reserve(lines.size());
    for (const QString &l : lines)
        out.append(mapInput(l, encoding));
    return out;
}

QString codePoint(const QString &character)
{
    return characters::codePoint(character);
}

QString controlCharacter(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isControl(text.at(i)))
            return characters::at(text, i);
    return QString();
}

Refusal check(const QString &value, Field field, TextEncoding encoding)
{
    Refusal r;
    r.field = field;
    r.encoding = encoding;
    r.character = controlCharacter(value);
    if (!r.character.isEmpty()) {
        r.kind = Refusal::Kind::Control;
        return r;
    }
    QByteArray probe;
    qsizetype bad = -1;
    if (!textfile::encodeLine(encoding, value, probe, &bad) && bad >= 0 && bad < value.size()) {
        r.kind = Refusal::Kind::Unencodable;
        r.character = characters::at(value, bad);
        return r;
    }
    const int limit = maxLength(field);
    if (limit > 0) {
        const qsizetype length = characters::count(value);
        if (length > limit) {
            r.kind = Refusal::Kind::TooLong;
            r.value = length;
        }
    }
    return r;
}

Refusal check(const QStringList &lines, Field field, TextEncoding encoding)
{
    for (const QString &l : lines)
        if (const Refusal r = check(l, field, encoding))
            return r;
    return Refusal{};
}

Refusal checkHeader(const EntryHeader &header, TextEncoding encoding)
{
    const std::pair<Field, const QString *> values[] = {
        {Field::Extension, &header.extension},
        {Field::Department, &header.department},
        {Field::UserName, &header.userName},
    };
    for (const auto &[field, value] : values)
        if (const Refusal r = check(*value, field, encoding))
            return r;
    return Refusal{};
}

Refusal checkFontSize(qint64 size)
{
    Refusal r;
    if (size < MinFontSize || size > MaxFontSize) {
        r.kind = Refusal::Kind::FontSize;
        r.value = size;
    }
    return r;
}

QString Refusal::message() const
{
    // Cell text keeps the cell editor's wording, without a field name.
    const QString owner = field == Field::CellLine ? QString() : fieldName(field) + QStringLiteral("の");
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::Control:
        return QStringLiteral("%1に制御文字 (%2) が含まれているため、入力できません。")
            .arg(fieldName(field), codePoint(character));
    case Kind::Unencodable:
        if (encoding != TextEncoding::Cp932) // half of a surrogate pair
            return QStringLiteral("%1文字 (%2) はデータベースに保存できないため、入力できません。")
                .arg(owner, codePoint(character));
        return QStringLiteral("%1文字「%2」(%3) はシフトJISのデータベースに保存できないため、入力できません。")
            .arg(owner, character, codePoint(character));
    case Kind::TooLong:
        return QStringLiteral("%1は %2 文字以内で入力してください（%3 文字あります）。")
            .arg(fieldName(field))
            .arg(maxLength(field))
            .arg(value);
    case Kind::FontSize:
        return QStringLiteral("フォントサイズ %1 は使えません（%2～%3）。").arg(value).arg(MinFontSize).arg(MaxFontSize);
    }
    return QString();
}

} // namespace textrule
