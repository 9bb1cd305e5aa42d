#pragma once
// Pictures stored in cell records: line 30 holds the picture type (the
// extension of the file it came from, with its dot) and line 31 the file's
// bytes in Base64.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace strip {

// Largest decoded picture data and picture accepted; anything larger is
// treated as no picture rather than allocated.
constexpr qint64 MaxPictureBytes = 64LL * 1024 * 1024;
constexpr int MaxPictureSide = 10000;

// Base64 read four characters at a time: A-Z 0-25, a-z 26-51, 0-9 52-61,
// "+" 62, "/" 63; any other character, "=" included, and any character
// missing from a last short group counts as 0 and shortens that group's
// three bytes by one.
QByteArray decodeBase64(const QString &text);
// Standard Base64 with "=" padding, no line breaks.
QString encodeBase64(const QByteArray &bytes);

// Reader format for a picture type: "JPEG" for .jpg and .jpeg, "BMP" for
// .bmp (letter case ignored), empty for anything else.
QByteArray pictureFormatOf(const QString &pictureType);

// The picture of lines 30 and 31, read from memory in the format of its
// type. An unknown type, corrupt data, or a picture over the limits gives a
// null image. With a valid `drawn` size (the pixels it is drawn into,
// stretched) the picture is decoded no larger than that in either direction,
// so that a large photograph costs the memory of what shows.
QImage decodePicture(const QString &pictureType, const QString &pictureData, QSize drawn = QSize());
// The same for the bytes of a picture file in the given reader format. The
// codecs' complaints about damaged data are kept off standard error; when
// `damaged` is given it tells whether there were any (the picture may still
// decode).
QImage decodePictureBytes(const QByteArray &format, QByteArray bytes, bool *damaged = nullptr, QSize drawn = QSize());
// The size a picture file's header gives, without decoding it; invalid when
// the header does not read.
QSize pictureSize(const QByteArray &format, QByteArray bytes);
// The picture's sides are within MaxPictureSide.
bool withinPictureSide(QSize size);
// The bytes begin as a file of the format does ("BM", or FF D8 FF).
bool hasPictureSignature(const QByteArray &format, const QByteArray &bytes);

} // namespace strip
