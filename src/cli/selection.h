#pragma once
// Entry and cell lists of tavrel-cli: comma-separated numbers and a-b
// ranges (a <= b, no spaces), duplicates merged, or "all".

#include <QList>
#include <QString>

class RegisterDocument;
struct CliContext;
class CliArgs;

// How a parsed list is ordered: ascending, or in the order the numbers were
// named (print keeps the order the administrator gave). Duplicates are
// merged either way, the first naming counting.
enum class ListOrder { Ascending, AsNamed };

// Numbers above this name no entry or cell of any register; they are not
// expanded (a range up to 99999999999 would not fit in memory).
constexpr int LargestListedNumber = 1000000;

// Parses one number of --entry, --cell or a list: ASCII digits only, no
// sign or spaces. False when malformed; a well-formed number above
// LargestListedNumber is returned as LargestListedNumber + 1 and its text
// in `beyond`, so that it can be reported as naming nothing.
bool parseListedNumber(const QString &text, int &n, QString &beyond);

// Parses LIST into numbers; "all" sets all (when allowed) and leaves the
// list empty. False when the text is malformed. Numbers past
// LargestListedNumber are left out, the first one's text in `beyond`.
bool parseNumberList(const QString &text, QList<int> &out, bool allowAll, bool &all, QString &beyond,
                     ListOrder order = ListOrder::Ascending);

// 0, or 1 after naming on standard error the first of `entries` (or
// `beyond`, the text of a number past LargestListedNumber) that names no
// entry of the register.
int entriesExist(CliContext &ctx, const RegisterDocument &doc, const QList<int> &entries, const QString &beyond);

// The entries a command works on, from --entry N or --entries LIST (every
// entry without either), narrowed by --type T. Returns 2 for bad usage, 1
// when a listed entry does not exist (message on standard error), 0 with
// `entries` filled otherwise.
int selectEntries(CliContext &ctx, const CliArgs &args, const RegisterDocument &doc, QList<int> &entries);
// The same for a command that, given none of --entry, --entries and --type,
// works on its own whole set (the register list): `chosen` says whether any
// was given.
int selectChosenEntries(CliContext &ctx, const CliArgs &args, const RegisterDocument &doc, QList<int> &entries,
                        bool &chosen);
// The cells from --cell C or --cells LIST; 2 (after the message) when
// neither or a malformed one is given.
int selectCells(CliContext &ctx, const CliArgs &args, QList<int> &cells, bool &all);
// The cells to change in the entry whose header starts at headerLine: the
// cells selected, or every cell of that entry when "all" was given.
QList<int> entryCells(const RegisterDocument &doc, int headerLine, const QList<int> &cells, bool all);
