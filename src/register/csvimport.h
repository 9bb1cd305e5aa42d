#pragma once
// Telephones exchanged with spreadsheets as CSV. Import reads rows of
// extension, department, user name, series (caption or index 0 to 7), strip
// type and, optionally, the extension of an entry whose strip is copied;
// a first row of column names is recognised and then decides the order of
// the columns (so that an exported file reads back). Every row is checked
// before anything is written; only sound rows are imported. Export writes
// the register list: entry number and the six list columns.

#include "register/csvfile.h"
#include "register/templates.h"
#include "register/registerdocument.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace csvimport {

enum class Column { Number, Series, StripType, Extension, Department, UserName, Date, CopyFrom };

struct Row
{
    int line = 0;       // line of the CSV file where the row starts
    EntryHeader header; // the values as they will be written (trimmed)
    QString copyFrom;   // extension of the entry to copy the strip from
    QString problem;    // why the row is refused; empty for a sound row
    bool sound() const { return problem.isEmpty(); }
};

struct Analysis
{
    csv::Encoding encoding = csv::Encoding::Utf8;
    bool headerRow = false;
    QList<Row> rows;
    int soundCount() const;
    int refusedCount() const { return int(rows.size()) - soundCount(); }
};

// Said when a file holds no rows to import: "取り込む行がありません。"
extern const QString NoRowsMessage;

// The column names of the export's first row, in its order.
QStringList exportColumnNames();

// Reads and checks the CSV against the register and the templates of the
// folder. Throws TavrelError for bytes that are no text (nothing is then
// analysed). `now` stamps rows that carry no registration date.
Analysis analyse(const QByteArray &bytes, const RegisterDocument &doc, const templates::Folders &templateFolder,
                 const QDateTime &now);

// Appends the sound rows of the analysis as new entries, in file order: from
// the strip type's template, or as a copy of the named entry with its name
// plates following the new header. Every template and copy source is read
// before the first line is written, so a failure leaves the register as it
// was. Returns the numbers of the new entries.
QList<int> importCsvRows(RegisterDocument &doc, const Analysis &analysis, const templates::Folders &templateFolder);

// The register list as CSV records: the column names, then per listed entry
// its number, series, strip type, extension, department, user name and date.
QList<QStringList> exportRecords(const RegisterDocument &doc);
// Those records encoded; CP932 refuses (EncodingError, with a message naming
// the entry) a character it cannot hold.
QByteArray exportCsv(const RegisterDocument &doc, csv::Encoding encoding);

} // namespace csvimport
