#pragma once
// Find and replace over the cell texts of a register: the comparison, the
// step of the find and replace dialog, and the whole-register find and
// replace of tavrel-cli.
//
// The text of a cell is its text lines joined by a line break that counts
// as two characters; positions count characters of that text from 1. An
// occurrence never spans two lines. Letters a to z compare equal to A to Z
// unless the comparison is case-sensitive; no other character is folded
// (full-width letters always compare exactly). Cells that show a picture
// are not searched: their text is hidden.

#include "register/registerdocument.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace regsearch {

// The characters of `line` from the 0-based `from` on equal `text`.
bool matchesAt(const QString &line, qsizetype from, const QString &text, bool caseSensitive);
// First 0-based index at or after `from` where `text` occurs, or -1.
qsizetype indexIn(const QString &line, qsizetype from, const QString &text, bool caseSensitive);

// The 0-based offset in an editor (one character per line break) of the
// 1-based `position` in the cell text, on text line `lineIndex`.
inline int editorOffset(int position, int lineIndex) { return position - 1 - lineIndex; }

// The search state of the dialog: the last occurrence shown.
struct State
{
    int entry = 0;    // 0: none yet
    int cell = 0;
    int position = 0; // 1-based; 0 once replaced
    int end = 0;      // position + length of the search text
};

struct Occurrence
{
    int entry = 0;
    int cell = 0;
    int position = 0;  // 1-based in the cell text
    int lineIndex = 0; // text line of the cell
    int record = 0;    // first line of the cell record
    int line = 0;      // document line
    int column = 0;    // 0-based in that line
};

struct StepRequest
{
    QString text;
    QString replacement;
    bool caseSensitive = false;
    bool replace = false;
    int startEntry = 1; // where the step starts when the state has no entry
    int startCell = 0;
    int entryCount = 0; // entries 1..entryCount are searched
};

struct StepResult
{
    // A replacement was made: the cell, and the editor caret after the
    // replacement (0-based, one character per line break).
    bool replaced = false;
    int replacedEntry = 0;
    int replacedCell = 0;
    int caret = 0;
    // The replacement was refused: the document line and the length the
    // line would have had (longer than 20 characters). Nothing changed.
    bool refused = false;
    int refusedLine = -1;
    int refusedLength = 0;
    // The next occurrence (found is false at the end of the register).
    bool found = false;
    Occurrence occurrence;
};

// Message for a search text that is empty.
extern const QString EmptyTextMessage;
// Message for a replacement holding a line break.
extern const QString LineBreakMessage;
// Message for a replacement that would make a line `length` characters long.
QString tooLongMessage(int length);
// The text holds a line break (CR, LF, form feed, vertical tab, NEL, or the
// Unicode line and paragraph separators); a replacement must not.
bool hasLineBreak(const QString &text);

// Maps the search text and the replacement by the register's input rule
// (see textrule.h); returns the message for a replacement the register
// cannot take (a control character, a character its encoding cannot hold),
// empty when both may be used.
QString prepareTexts(const RegisterDocument &doc, QString &text, QString &replacement);

// One step of the dialog in find or replace mode, from the state (or the
// request's start point when the state has none). The request's text must
// not be empty and the replacement must hold no line break.
StepResult step(RegisterDocument &doc, State &state, const StepRequest &request);

// Every occurrence in the given entries (every entry of the register list
// when entries is null), in register order; the search resumes after each
// occurrence.
QList<Occurrence> findAll(const RegisterDocument &doc, const QString &text, bool caseSensitive,
                          const QList<int> *entries = nullptr);

// Lines a whole-register replacement would make longer than 20 characters.
struct LongLine
{
    Occurrence first; // the first occurrence on the line
    int length = 0;   // the line's length after the replacement
};
struct LineChange
{
    int line = 0;
    QString after;
};
struct ReplacePlan
{
    QList<Occurrence> occurrences;
    QList<LineChange> changes; // one per changed line
    QList<LongLine> tooLong;
};
// Every occurrence, and the lines that would grow past 20 characters.
ReplacePlan planReplace(const RegisterDocument &doc, const QString &text, const QString &replacement,
                        bool caseSensitive, const QList<int> *entries = nullptr);
// Writes the changed lines of a plan that has no line too long.
void applyReplace(RegisterDocument &doc, const ReplacePlan &plan);

} // namespace regsearch
