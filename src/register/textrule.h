#pragma once
// What text may enter a register, one rule for every door: typing, paste,
// the entry dialog, key labels, CSV import, tavrel-cli and replace.
//
// - Characters that input methods produce for Shift-JIS characters are
//   stored as the code page's own (mapInput), in a Shift-JIS register.
// - No control character (a line break, TAB, form feed, U+0001 …) and no
//   line or paragraph separator: a value is one register line, and a cell
//   line never poses as an entry marker line.
// - Only characters the register's encoding holds.
// - A header value holds at most its field's number of characters (the
//   register list's columns); a cell line at most 20, longer ones are cut by
//   strip::cutTextLine.
// - A font size from 1 to MaxFontSize points.
//
// A refusal names the field and the character, so that the door can say
// why before it changes anything.

#include "platform/conversion.h"
#include "platform/textfile.h"

#include <QString>
#include <QStringList>

struct EntryHeader;

namespace textrule {

enum class Field { CellLine, KeyLabel, Extension, Department, UserName, FontFace, ReplaceText };

// Largest number of characters (code points) a header value holds; 0 for a
// field without a limit of its own (cell lines are cut to 20 instead).
int maxLength(Field field);
// The field's name in messages: "内線番号", "部署", …; "文字列" for cell text.
QString fieldName(Field field);

constexpr int MinFontSize = 1;
constexpr int MaxFontSize = 999;

// The text with U+301C, U+2212, U+2016, U+00A2, U+00A3, U+00AC and U+2014
// replaced by U+FF5E, U+FF0D, U+2225, U+FFE0, U+FFE1, U+FFE2 and U+2015 when
// the register is Shift-JIS; other registers take every character as typed.
QString mapInput(const QString &text, TextEncoding encoding);
QStringList mapInput(const QStringList &lines, TextEncoding encoding);

// Thrown by a core writer for a value the rule refuses, before anything
// changes; the message names the field and the character.
class RefusedInput : public TavrelError
{
public:
    using TavrelError::TavrelError;
};

struct Refusal
{
    enum class Kind { None, Control, Unencodable, TooLong, FontSize };
    Kind kind = Kind::None;
    Field field = Field::CellLine;
    QString character; // the refused character, a surrogate pair whole
    qint64 value = 0;  // TooLong: the length; FontSize: the size
    TextEncoding encoding = TextEncoding::Cp932;
    explicit operator bool() const { return kind != Kind::None; }
    // The message for the user, naming the field and the character.
    QString message() const;
};

// The first fault of a value as it is to be stored (mapped and trimmed).
Refusal check(const QString &value, Field field, TextEncoding encoding);
// The first fault of any of the lines.
Refusal check(const QStringList &lines, Field field, TextEncoding encoding);
// The first fault of the extension, department and user name of a header.
Refusal checkHeader(const EntryHeader &header, TextEncoding encoding);
// A font size outside 1 … MaxFontSize.
Refusal checkFontSize(qint64 size);

// The first control character (or line or paragraph separator) of the
// text, empty when it has none.
QString controlCharacter(const QString &text);

// "U+0009", "U+20BB7": the code point of a character (a pair whole).
QString codePoint(const QString &character);

} // namespace textrule
