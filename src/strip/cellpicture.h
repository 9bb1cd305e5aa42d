#pragma once
// Pictures in cells: reading and checking a picture file, and attaching it
// to a cell or detaching it (lines 30 and 31 of the cell record). The
// picture dialog and tavrel-cli's picture command share these.
//
// A picture is stored as the chosen file's own bytes in Base64, so that a
// BMP keeps every pixel and a JPEG is not compressed a second time; line 30
// holds the file's extension with its dot, in the letter case of the file
// name, and tells how the bytes are read back.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

class RegisterDocument;

namespace strip {

// Largest picture file accepted unless the settings say otherwise.
constexpr qint64 DefaultPictureFileSizeMax = 30720;

// "画像ファイルが大きすぎます。" + limit ÷ 1024 + "kbyte以下の画像ファイルを選択してください。"
QString pictureTooLargeMessage(qint64 limit);

// Largest side of the preview a picture file is decoded to when read.
constexpr int PreviewSide = 2048;

struct PictureFile
{
    QString path;
    QString type;     // ".JPG", ".bmp" ...: the extension as the file name has it
    QByteArray bytes; // the file's content, stored as it is
    QImage image;     // decoded from the bytes, its larger side at most PreviewSide
    qint64 size() const { return bytes.size(); }
};

// Reads a picture file (a read-only file too). A file that cannot be read,
// that is not a BMP or JPEG by its content, whose content does not match
// its extension, whose picture is over MaxPictureSide, or that does not
// decode is refused: the message says why and `out` is left untouched.
// Returns an empty string on success.
QString readPictureFile(const QString &path, PictureFile &out);

// Attach: the text (and any picture) of every selected cell is deleted as
// the delete command does, then `cell` receives the picture. An empty type
// stores no picture. Every cell is looked up first: a cell that the strip
// does not have throws TavrelError and changes nothing.
void attachPicture(RegisterDocument &doc, int headerLine, int cell, const QList<int> &selected,
                   const QString &type, const QByteArray &bytes);
// Detach: lines 30 and 31 of the cell emptied; its text lines show again.
void detachPicture(RegisterDocument &doc, int headerLine, int cell);

} // namespace strip
