// The settings file: any bytes as the INI file, then reads and writes of the
// sections and keys the program uses and of those the file names.
//
// Invariants: a value written reads back (as the reader trims it); writing
// one key leaves every other key's value and the other lines as they were.

#include "fuzzsupport.h"

#include "platform/settingsstore.h"
#include "platform/textfile.h"

#include <QFile>

namespace {

struct Key
{
    QString section, key;
};

// Pairs the file names (up to a limit) and a few the program uses.
QList<Key> keysOf(const QStringList &lines)
{
    QList<Key> out{{QStringLiteral("Main"), QStringLiteral("Left")},
                   {QStringLiteral("MAIN"), QStringLiteral("top")},
                   {QStringLiteral("Print"), QStringLiteral("AdjustV")},
                   {QStringLiteral("Folder"), QStringLiteral("Register")}};
    QString section;
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.size() >= 2 && t.startsWith(u'[') && t.endsWith(u']')) {
            section = t.mid(1, t.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && out.size() < 24)
            out.append({section, line.left(eq).trimmed()});
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = fuzz::writeScratch(QStringLiteral("TAV.ini"), bytes);
    SettingsStore store(path);
    const QStringList fileLines = textfile::decode(bytes).lines;
    const QList<Key> keys = keysOf(fileLines);

    QStringList before;
    for (const Key &k : keys) {
        before << store.readString(k.section, k.key, QStringLiteral("\x01"));
        store.readInteger(k.section, k.key, -7);
    }
    // A key (no "=", no bracket, no line break, not blank) and a value the
    // program could write.
    const Key &target = keys.at(int(size % quint32(keys.size())));
    if (target.key.isEmpty() || target.section.isEmpty() || target.key.contains(u'[') || target.section.contains(u']'))
        return 0;
    QString value = fileLines.value(int(size % 7)).trimmed();
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    try {
        store.writeString(target.section, target.key, value);
    } catch (const TavrelError &) {
        return 0;
    }
    if (!QFile::exists(path) || textfile::readBytes(path) == bytes)
        return 0; // a write that cannot reach the file (a character CP932 lacks) is lost
    QString expected = value;
    if (expected.size() >= 2 && ((expected.startsWith(u'"') && expected.endsWith(u'"'))
                                 || (expected.startsWith(u'\'') && expected.endsWith(u'\''))))
        expected = expected.mid(1, expected.size() - 2); // quotes are the file's, not the value's
    FUZZ_REQUIRE(store.readString(target.section, target.key, QStringLiteral("\x01")) == expected,
                 QStringLiteral("[%1] %2 reads otherwise than written").arg(target.section, target.key));
    for (int i = 0; i < keys.size(); ++i) {
        const Key &k = keys.at(i);
        if (k.section.compare(target.section, Qt::CaseInsensitive) == 0 && k.key.compare(target.key, Qt::CaseInsensitive) == 0)
            continue;
        FUZZ_REQUIRE(store.readString(k.section, k.key, QStringLiteral("\x01")) == before.at(i),
                     QStringLiteral("writing [%1] %2 changed [%3] %4").arg(target.section, target.key, k.section, k.key));
    }
    return 0;
}
