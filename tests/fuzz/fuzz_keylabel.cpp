// Key label files: the first byte picks the series (0-7), the rest is the
// series' key label file in the settings folder. The set is loaded, every
// key read and written back, a changed label written, and the set saved.
//
// Invariants: a loaded set holds 3 x N well-formed blocks; a file taken as
// it is keeps its lines and, when the program wrote it, saves back byte for
// byte; a label written is read back as written (line breaks as spaces) and
// leaves the other keys as they were; a saved set loads to the same lines.

#include "fuzzsupport.h"

#include "keylabel/keylabelset.h"
#include "platform/conversion.h"
#include "platform/textfile.h"

#include <QFile>

using namespace keylabel;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int series = data[0] % 8;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    KeyLabelSet set(fuzz::scratchFolder());
    const QString path = set.filePath(series);
    fuzz::writeScratch(KeyLabelFileName(series), bytes);

    const LoadResult result = set.LoadKeyLabels(series);
    const int keys = Pages * keysPerPage(series);
    FUZZ_REQUIRE(result != LoadResult::Ignored, QStringLiteral("series %1 ignored").arg(series));
    FUZZ_REQUIRE(isWellFormed(set.lines(), series), QStringLiteral("the loaded set is malformed"));
    FUZZ_REQUIRE(set.keyCount() == keys, QStringLiteral("%1 keys instead of %2").arg(set.keyCount()).arg(keys));
    const TextFileContent content = textfile::decode(bytes);
    if (result == LoadResult::File) {
        // The set is the file's first lines; what follows its blocks is kept aside.
        FUZZ_REQUIRE(content.lines.mid(0, set.lines().size()) == set.lines(),
                     QStringLiteral("the file's lines were changed on loading"));
        QByteArray canonical;
        try {
            canonical = textfile::byteOrderMark(content.encoding) + textfile::encode(content.lines, content.encoding);
        } catch (const TavrelError &) {
        }
        if (canonical == bytes) {
            set.SaveKeyLabels(series);
            FUZZ_REQUIRE(textfile::readBytes(path) == bytes, QStringLiteral("an unchanged set saves differently"));
        }
    }

    QList<KeyLabel> labels;
    for (int k = 0; k < keys; ++k)
        labels << set.ReadKeyLabel(k);
    bool threw = false;
    try {
        set.ReadKeyLabel(keys);
    } catch (const TavrelError &) {
        threw = true;
    }
    FUZZ_REQUIRE(threw, QStringLiteral("a key past the last one was read"));

    // Each label written back reads as it was; then one key gets a label
    // made from the file's first lines.
    for (int k = 0; k < keys; ++k) {
        set.WriteKeyLabel(k, labels.at(k));
        FUZZ_REQUIRE(set.ReadKeyLabel(k) == labels.at(k), QStringLiteral("key %1 reads otherwise after writing it back").arg(k));
    }
    const int k = int(bytes.size()) % keys;
    KeyLabel changed = labels.at(k);
    changed.lines = content.lines.mid(0, 4);
    changed.fontName = content.lines.value(4, DefaultFontName);
    changed.fontSize = int(bytes.size() % 40);
    changed.textColour = int(bytes.size() * 2654435761u % 16777216u);
    set.WriteKeyLabel(k, changed);
    for (QString &l : changed.lines)
        l.replace(u'\r', u' ').replace(u'\n', u' ');
    FUZZ_REQUIRE(set.ReadKeyLabel(k) == changed, QStringLiteral("key %1 reads otherwise than written").arg(k));
    FUZZ_REQUIRE(set.keyCount() == keys && isWellFormed(set.lines(), series), QStringLiteral("a written key broke the set"));
    for (int other = 0; other < keys; ++other)
        if (other != k)
            FUZZ_REQUIRE(set.ReadKeyLabel(other) == labels.at(other), QStringLiteral("writing key %1 changed key %2").arg(k).arg(other));

    try {
        set.SaveKeyLabels(series);
    } catch (const EncodingError &) {
        return 0; // refused with a message naming the character
    }
    KeyLabelSet again(fuzz::scratchFolder());
    FUZZ_REQUIRE(again.LoadKeyLabels(series) == LoadResult::File, QStringLiteral("the saved set does not load as a file"));
    FUZZ_REQUIRE(again.lines() == set.lines(), QStringLiteral("the saved set loads to other lines"));
    return 0;
}
