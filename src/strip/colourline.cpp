#include "strip/colourline.h"

#include "platform/conversion.h"

namespace strip {

int textColourOf(const QString &line)
{
    const qsizetype comma = line.indexOf(u',');
    return parseIntOr(comma < 0 ? line : line.left(comma), Black);
}

int backgroundColourOf(const QString &line)
{
    const qsizetype comma = line.indexOf(u',');
    return comma < 0 ? White : parseIntOr(line.mid(comma + 1), White);
}

QString withTextColour(const QString &line, int colour)
{
    const qsizetype comma = line.indexOf(u',');
    return QString::number(colour) + u',' + (comma < 0 ? QString::number(White) : line.mid(comma + 1));
}

QString withBackgroundColour(const QString &line, int colour)
{
    const qsizetype comma = line.indexOf(u',');
    return (comma < 0 ? line : line.left(comma)) + u',' + QString::number(colour);
}

QColor toQColor(int value)
{
    const unsigned v = unsigned(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int fromQColor(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

} // namespace strip
