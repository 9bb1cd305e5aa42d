#include "keylabel/applykeylabel.h"

#include "strip/cellrecord.h"
#include "strip/celltext.h"
#include "strip/colourline.h"
#include "strip/stripwalk.h"

namespace keylabel {

QList<int> applyKeyLabel(RegisterDocument &doc, int headerLine, const QList<int> &cells, const KeyLabel &label)
{
    using namespace strip::cellline;
    QStringList text;
    text.reserve(label.lines.size());
    for (const QString &l : label.lines)
        text.append(l.left(strip::MaxTextLineLength));

    QList<int> changed;
    for (int cell : cells) {
        // Located again for every cell: the cells before it may have grown
        // or shrunk.
        const int a = strip::locateCell(doc.lines(), headerLine, cell);
        if (!doc.line(a + PictureType).isEmpty())
            continue;
        const int n = doc.intAt(a + TextCount); // checked against the entry by the walk
        doc.setLine(a + Face, label.fontName);
        doc.setLine(a + Size, QString::number(label.fontSize));
        doc.setLine(a + Colours, strip::withTextColour(doc.line(a + Colours), label.textColour));
        doc.setLine(a + Colours, strip::withBackgroundColour(doc.line(a + Colours), label.backColour));
        doc.removeLines(a + FirstText, n);
        doc.setLine(a + TextCount, QString::number(text.size()));
        doc.insertLines(a + FirstText, text);
        changed.append(cell);
    }
    return changed;
}

} // namespace keylabel
