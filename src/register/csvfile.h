#pragma once
// Comma-separated values as RFC 4180 has them: fields separated by commas,
// records ended by CR LF (a lone CR or LF is taken too), a field in double
// quotes may hold commas, line breaks and quotes written twice. Files are
// UTF-8 (with or without a byte-order mark) or code page 932, told apart by
// their bytes; UTF-16 with its mark is read as well.

#include "platform/textfile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace csv {

enum class Encoding { Utf8, Utf8Bom, Cp932, Utf16 };

struct Record
{
    int line = 0;       // 1-based line of the file where the record starts
    QStringList fields;
    QString fault;      // a quote left open at the end of the file
};

struct Table
{
    Encoding encoding = Encoding::Utf8;
    QList<Record> records; // empty lines are no records
};

// The message for bytes that are no text of the three encodings.
extern const QString NotTextMessage;

// Decodes and splits the bytes. Throws TavrelError with NotTextMessage for
// bytes that are no text: a NUL byte, or a sequence that neither UTF-8 nor
// code page 932 can read.
Table parse(const QByteArray &bytes);
// The text alone, split (for tests and text already decoded).
QList<Record> parseText(const QString &text);

// One field as written: in quotes when it holds a comma, a quote, a line
// break or leading or trailing blanks.
QString quoteField(const QString &field);
// Records written with CR LF after each, in UTF-8 with its byte-order mark
// or in code page 932. A character code page 932 cannot hold throws an
// EncodingError naming the 0-based record.
QByteArray write(const QList<QStringList> &records, Encoding encoding);

} // namespace csv
