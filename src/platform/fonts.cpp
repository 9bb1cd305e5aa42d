#include "platform/fonts.h"

#include <QFont>
#include <QString>

const QList<FaceSubstitute> &faceSubstitutes()
{
    static const QList<FaceSubstitute> faces{
        {QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")},
        {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho")},
        {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")},
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")},
    };
    return faces;
}

void installFontSubstitutions()
{
    for (const FaceSubstitute &f : faceSubstitutes())
        QFont::insertSubstitution(f.windowsFace, f.drawingFamily);
    QFont::insertSubstitution(QStringLiteral("MS Mincho"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("MS PMincho"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
}

QFont fontOfFace(const QString &face)
{
    return QFont(face.size() > MaxFaceLength ? face.left(MaxFaceLength) : face);
}
