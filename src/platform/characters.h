#pragma once
// Characters of a QString counted as code points: a surrogate pair is one
// character and is never split; an unpaired half counts as a character of
// its own.

#include <QString>
#include <QStringView>

namespace characters {

// Number of UTF-16 units of the character that starts at index i: 2 for a
// surrogate pair, otherwise 1.
qsizetype sizeAt(QStringView text, qsizetype i);
// The character at index i, a pair whole.
QString at(QStringView text, qsizetype i);
// Its code point (an unpaired half gives its own code).
char32_t codeAt(QStringView text, qsizetype i);
// Number of characters of the text.
qsizetype count(QStringView text);
// The text cut to its first n characters.
QString left(const QString &text, qsizetype n);
// "U+0009", "U+1F600": the code point of the character that starts the text.
QString codePoint(QStringView character);

} // namespace characters
