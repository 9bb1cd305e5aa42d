#pragma once
// The Windows faces that registers name are drawn with the metric-compatible
// IPA fonts; the records keep the Windows names.

#include <QFont>
#include <QList>
#include <QString>

// The four Windows faces that registers name, each with the IPA font that
// draws it here, in the order ＭＳ 明朝, ＭＳ Ｐ明朝, ＭＳ ゴシック, ＭＳ Ｐゴシック.
struct FaceSubstitute
{
    QString windowsFace;
    QString drawingFamily;
};
const QList<FaceSubstitute> &faceSubstitutes();

void installFontSubstitutions();

// The font for a face name read from a file. No font family has a name of
// anywhere near MaxFaceLength characters, while matching a name of a few
// hundred thousand against the font database takes seconds; a longer name
// is cut to that length and, like any face that is not installed, drawn with
// the substitute.
constexpr qsizetype MaxFaceLength = 256;
QFont fontOfFace(const QString &face);
