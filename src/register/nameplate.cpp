#include "register/nameplate.h"
#include "register/registerhistory.h"

#include "platform/conversion.h"
#include "register/celltext.h"
#include "register/registerformat.h"
#include "register/stripwalk.h"

#include <vector>

namespace nameplate {

const QString ExtensionField = QStringLiteral("{内線番号}");
const QString DepartmentField = QStringLiteral("{部署}");
const QString UserNameField = QStringLiteral("{使用者名}");

QString fill(const QString &text, const EntryHeader &header)
{
    if (!text.contains(u'{'))
        return text;
    // One pass, so that a value holding a placeholder's name is not
    // replaced again.
    const std::pair<const QString *, const QString *> fields[] = {
        {&ExtensionField, &header.extension},
        {&DepartmentField, &header.department},
        {&UserNameField, &header.userName},
    };
    QString out;
    out.reserve(text.size() + 16);
    qsizetype i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text.at(i) == u'{') {
            for (const auto &[name, value] : fields) {
                if (QStringView(text).mid(i).startsWith(*name)) {
                    out += *value;
                    i += name->size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

QString plateText(const QString &text, const EntryHeader &header)
{
    return strip::cutTextLine(fill(text, header));
}

bool hasPlaceholder(const QString &text)
{
    return text.contains(ExtensionField) || text.contains(DepartmentField) || text.contains(UserNameField);
}

QString platePattern(const QString &keyCode)
{
    // A preset key: characters 1 to 3 are an integer below 1, or no integer.
    if (parseIntOr(keyCode.left(3), 0) >= 1)
        return QString();
    const QString text = keyCode.mid(6);
    return hasPlaceholder(text) ? text : QString();
}

namespace {

struct Change
{
    int line;
    QString text;
};

// The text lines to rewrite, found before anything is written. An entry
// whose strip cannot be walked (a malformed record) has no plates to
// follow: its lines are left as they are.
std::vector<Change> plateChanges(const RegisterDocument &doc, qint64 n, const EntryHeader &oldHeader,
                                 const EntryHeader &newHeader)
{
    std::vector<Change> changes;
    const int marker = doc.findEntry(n);
    if (marker < 0)
        return changes;
    struct Finder : strip::StripVisitor
    {
        const RegisterLines *lines = nullptr;
        const EntryHeader *oldH = nullptr;
        const EntryHeader *newH = nullptr;
        std::vector<Change> *out = nullptr;
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            if (c.textLineCount != 1)
                return true;
            const QString pattern = platePattern(lines->line(c.line + regfmt::cell::KeyCode));
            if (pattern.isEmpty())
                return true;
            const int textLine = c.line + regfmt::cell::FirstText;
            const QString current = lines->line(textLine);
            // A plate written before lines were cut as they are filled
            // may still hold the whole value.
            if (current != plateText(pattern, *oldH) && current != fill(pattern, *oldH))
                return true; // the user's own text
            const QString now = plateText(pattern, *newH);
            if (now != current)
                out->push_back({textLine, now});
            return true;
        }
    } finder;
    finder.lines = &doc.lines();
    finder.oldH = &oldHeader;
    finder.newH = &newHeader;
    finder.out = &changes;
    try {
        strip::walkStrip(doc.lines(), marker + 1, finder, strip::WalkGeometry::Skip);
    } catch (const TavrelError &) {
        changes.clear();
    }
    return changes;
}

void apply(RegisterDocument &doc, const std::vector<Change> &changes)
{
    for (const Change &c : changes)
        doc.setLine(c.line, c.text);
}

} // namespace

int refreshPlates(RegisterDocument &doc, qint64 n, const EntryHeader &oldHeader, const EntryHeader &newHeader)
{
    const std::vector<Change> changes = plateChanges(doc, n, oldHeader, newHeader);
    apply(doc, changes);
    return int(changes.size());
}

int updateEntryHeader(RegisterDocument &doc, qint64 n, const EntryHeader &header)
{
    const int marker = doc.findEntry(n);
    if (marker < 0)
        return 0;
    const EntryHeader before = doc.headerAt(marker + 1);
    // A value holding a line break is refused by the header update before
    // anything is written, so the plates are worked out first and written
    // after it.
    const std::vector<Change> changes = plateChanges(doc, n, before, header);
    RegisterStep step(doc, QStringLiteral("示名条の編集"));
    doc.updateEntryHeader(int(n), header);
    apply(doc, changes);
    return int(changes.size());
}

void appendEntryAsCopy(RegisterDocument &doc, const EntryHeader &header, int source)
{
    const EntryHeader before = doc.headerOfEntry(source);
    RegisterStep step(doc, QStringLiteral("示名条の作成"));
    doc.appendEntryAsCopy(header, source);
    refreshPlates(doc, doc.intAt(regfmt::EntryCountLine), before, header);
}

} // namespace nameplate
