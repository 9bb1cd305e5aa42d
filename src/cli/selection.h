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

// Parses LIST into numbers of at least `minimum`; "all" sets all (when
// allowed) and leaves the list empty. False when the text is malformed.
bool parseNumberList(const QString &text, int minimum, QList<int> &out, bool allowAll, bool &all,
                     ListOrder order = ListOrder::Ascending);

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
