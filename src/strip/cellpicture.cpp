#include "strip/cellpicture.h"
#include "platform/textfile.h"

#include "platform/conversion.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/registerdocument.h"
#include "strip/cellformat.h"
#include "strip/picture.h"

#include <QFile>
#include <QFileInfo>

namespace strip {

QString pictureTooLargeMessage(qint64 limit)
{
    return QStringLiteral("画像ファイルが大きすぎます。") + QString::number(limit / 1024)
           + QStringLiteral("kbyte以下の画像ファイルを選択してください。");
}

namespace {
QByteArray formatByContent(const QByteArray &bytes)
{
    for (const QByteArray &f : {QByteArrayLiteral("BMP"), QByteArrayLiteral("JPEG")})
        if (hasPictureSignature(f, bytes))
            return f;
    return QByteArray();
}
} // namespace

QString readPictureFile(const QString &path, PictureFile &out)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    // Read as every input is: a FIFO, device or socket is refused without
    // waiting, a file over the limit before it is read.
    QByteArray bytes;
    try {
        bytes = textfile::readBytes(path, MaxPictureBytes);
    } catch (const InputTooLarge &) {
        return QStringLiteral("%1\n画像ファイルが大きすぎます。").arg(name);
    } catch (const FileError &) {
        return QStringLiteral("%1\nファイルを読み込めません。").arg(name);
    }
    const QByteArray content = formatByContent(bytes);
    if (content.isEmpty())
        return QStringLiteral("%1\nBMP または JPEG の画像ファイルではありません。").arg(name);
    const QString type = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QByteArray byName = pictureFormatOf(type);
    if (byName.isEmpty())
        return QStringLiteral("%1\n拡張子が .bmp、.jpg、.jpeg のいずれでもありません。").arg(name);
    if (byName != content)
        return QStringLiteral("%1\nファイルの内容が拡張子 %2 と一致しません。").arg(name, type);
    // A picture over the side limit is sound, only too large: said so
    // before anything is decoded.
    const QSize size = pictureSize(content, bytes);
    if (size.isValid() && !withinPictureSide(size))
        return QStringLiteral("%1\n画像が大きすぎます（%2 × %3 ピクセル）。縦横 %4 ピクセル以下の画像を選択してください。")
            .arg(name)
            .arg(size.width())
            .arg(size.height())
            .arg(MaxPictureSide);
    // A picture the codec calls damaged is refused even when some of it
    // decodes: what is stored would not be the picture the user sees. The
    // preview is decoded no larger than PreviewSide, as it is drawn.
    bool damaged = false;
    const QSize preview = size.isValid() ? size.scaled(size.boundedTo(QSize(PreviewSide, PreviewSide)), Qt::KeepAspectRatio)
                                         : QSize();
    QImage image = decodePictureBytes(content, bytes, &damaged, preview);
    if (image.isNull() || damaged)
        return QStringLiteral("%1\n画像を読み込めません。ファイルが壊れています。").arg(name);
    out.path = path;
    out.type = type;
    out.bytes = bytes;
    out.image = std::move(image);
    return QString();
}

void attachPicture(RegisterDocument &doc, int headerLine, int cell, const QList<int> &selected,
                   const QString &type, const QByteArray &bytes)
{
    RegisterStep step(doc, type.isEmpty() ? QStringLiteral("画像添付解除") : QStringLiteral("画像添付"));
    const QList<int> records = cellRecordLines(doc, headerLine);
    QList<int> all = selected;
    all.append(cell);
    requireCells(records, all);
    for (int c : selected)
        writeCellText(doc, headerLine, c, {});
    const int b = cellRecordLines(doc, headerLine).at(cell);
    doc.setLine(b + regfmt::cell::PictureType, type);
    doc.setLine(b + regfmt::cell::PictureData, type.isEmpty() ? QString() : encodeBase64(bytes));
}

void detachPicture(RegisterDocument &doc, int headerLine, int cell)
{
    RegisterStep step(doc, QStringLiteral("画像添付解除"));
    const QList<int> records = cellRecordLines(doc, headerLine);
    requireCells(records, {cell});
    const int b = records.at(cell);
    doc.setLine(b + regfmt::cell::PictureType, QString());
    doc.setLine(b + regfmt::cell::PictureData, QString());
}

} // namespace strip
