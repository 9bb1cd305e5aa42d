#pragma once
// Number parsing for the line-oriented files. A malformed number raises
// ConversionError naming the text and, where known, the 0-based line index
// of the file it came from; the event loop shows it and the command stops.

#include <QByteArrayView>
#include <QString>
#include <stdexcept>

class TavrelError : public std::runtime_error
{
public:
    // What failed, for a caller that answers some failures itself instead
    // of passing them on.
    enum class Kind { Other, MalformedRegister, MissingTemplate };
    explicit TavrelError(const QString &message, Kind kind = Kind::Other)
        : std::runtime_error(message.toStdString()), m_message(message), m_kind(kind) {}
    QString message() const { return m_message; }
    Kind kind() const { return m_kind; }

private:
    QString m_message;
    Kind m_kind;
};

class ConversionError : public TavrelError
{
public:
    enum class Kind { Integer, Decimal };
    ConversionError(const QString &text, int line, Kind kind = Kind::Integer);
    // 0-based index of the offending line, or -1 when not known.
    int line() const { return m_line; }
    QString text() const { return m_text; }

private:
    QString m_text;
    int m_line;
};

// Decimal integer: optional leading blanks, optional sign, digits, nothing
// after them; must fit in 32 bits.
bool tryParseInt(const QString &text, int &value);
// The same over the bytes of a line in an ASCII-compatible encoding (CP932,
// UTF-8): the same answer as for the text they decode to.
bool tryParseInt(QByteArrayView ascii, int &value);
int parseInt(const QString &text, int line = -1);
inline int parseIntOr(const QString &text, int fallback)
{
    int v;
    return tryParseInt(text, v) ? v : fallback;
}

// Characters up to code 32 removed at both ends (spaces and control
// characters; an ideographic space stays).
QString trimControls(const QString &text);

