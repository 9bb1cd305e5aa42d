// Pictures in cell records: the input's first line is the picture type line,
// the rest its data. Both go into lines 30 and 31 of a cell, which is then
// decoded and rendered; the rest is also decoded as a BMP and a JPEG file.
//
// Invariants: a decoded picture is within the side limit and only comes from
// a type that names a format; Base64 gives at most three bytes for four
// characters and encoding then decoding gives the bytes back; a cell with
// any picture lines renders without an error.

#include "fuzzsupport.h"

#include "platform/conversion.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "register/templates.h"
#include "strip/cellrenderer.h"
#include "strip/picture.h"

using namespace strip;

namespace {

void requireBounded(const QImage &image, const QString &what)
{
    FUZZ_REQUIRE(image.isNull()
                     || (image.width() > 0 && image.height() > 0 && image.width() <= MaxPictureSide
                         && image.height() <= MaxPictureSide),
                 QStringLiteral("%1: a picture of %2 x %3").arg(what).arg(image.width()).arg(image.height()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static RegisterDocument base;
    static int record = -1;
    if (record < 0) {
        templates::appendEntryFromTemplate(base, QStringLiteral(TAVREL_BINARY_DIR),
                                           {QStringLiteral("1"), {}, {}, {}, series::caption(3), QStringLiteral("ｕＬ－６ボタン電話機")});
        record = locateCell(base.lines(), base.findEntry(1) + 1, 0);
    }

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nl = bytes.indexOf('\n');
    const QString type = QString::fromLatin1(bytes.left(nl < 0 ? 0 : nl));
    const QByteArray rest = nl < 0 ? bytes : bytes.mid(nl + 1);
    const QString text = QString::fromLatin1(rest);

    const QByteArray decoded = decodeBase64(text);
    FUZZ_REQUIRE(decoded.size() <= (text.size() + 3) / 4 * 3,
                 QStringLiteral("%1 bytes from %2 characters").arg(decoded.size()).arg(text.size()));
    FUZZ_REQUIRE(decodeBase64(encodeBase64(rest)) == rest, QStringLiteral("Base64 does not give the bytes back"));

    const QImage picture = decodePicture(type, text);
    requireBounded(picture, QStringLiteral("cell lines"));
    FUZZ_REQUIRE(picture.isNull() || !pictureFormatOf(type).isEmpty(), QStringLiteral("a picture from a type that names none"));
    requireBounded(decodePictureBytes("BMP", rest), QStringLiteral("BMP file"));
    requireBounded(decodePictureBytes("JPEG", rest), QStringLiteral("JPEG file"));

    // The same lines in a cell record, and the raw bytes as a stored file.
    RegisterDocument doc = base;
    const QString stored = type.isEmpty() || pictureFormatOf(type).isEmpty() ? text : encodeBase64(rest);
    try {
        doc.setLine(record + 30, type);
        doc.setLine(record + 31, stored);
    } catch (const TavrelError &) {
        return 0; // a line break in the type: no line of a register
    }
    FUZZ_REQUIRE(checkRegister(doc.lines()).isEmpty(), QStringLiteral("picture lines made the register malformed"));
    const QImage inCell = cellPicture(doc.lines(), record);
    requireBounded(inCell, QStringLiteral("cell"));
    fuzz::drawEntry(doc.lines(), doc.findEntry(1) + 1);
    return 0;
}
