#pragma once
// The one check of a strip template, used before the designer saves, by
// tavrel-cli template check and on every template an entry is made from.
//
// Errors make a template unusable: a count that is no integer, fewer lines
// than the counts declare, more than 100 sections or cells, a box of zero or
// negative size, a number the fixed-point reader refuses, a series line that
// names no series. Warnings are for a person to look at and may be kept: a
// box outside its section, a text area or key-number box outside its key
// box, overlapping key boxes, two assignable keys with one number, a preset
// text with characters the register cannot store.

#include <QList>
#include <QString>
#include <QStringList>

namespace templates {

struct Problem
{
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    int line = -1;    // 0-based file line, -1 for the file as a whole
    int section = -1; // 0-based, -1 when the problem is not a section's
    int cell = -1;    // 0-based within its section, -1 when not a cell's
    QString message;
    bool isError() const { return severity == Severity::Error; }
    // "12 行目: 区画 1 のセル 3: …" (line, section and cell counted from 1).
    QString text() const;
    bool operator==(const Problem &) const = default;
};

// Every problem of a template's lines (line 0 the series line), in file
// order; the errors of a part that cannot be read end the walk there.
QList<Problem> checkTemplate(const QStringList &lines);
bool hasErrors(const QList<Problem> &problems);

} // namespace templates
