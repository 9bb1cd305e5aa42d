#include "register/series.h"

namespace series {

namespace {
struct Row
{
    const char16_t *caption;
    int keyLabels;
};
const Row table[Count] = {
    {u"Ｋシリーズ主装置", 20},  {u"Ｍｏシリーズ主装置", 20}, {u"ｕＲシリーズ主装置", 20},
    {u"ｕＬシリーズ主装置", 20}, {u"ｕＴシリーズ主装置", 20}, {u"ｕＶシリーズ主装置", 15},
    {u"Ｄｏシリーズ主装置", 15}, {u"ＳＩＰ対応電話機", 15},
};
} // namespace

QString caption(int index)
{
    return index >= 0 && index < Count ? QString::fromUtf16(table[index].caption) : QString();
}

int keyLabelsPerPage(int index)
{
    return index >= 0 && index < Count ? table[index].keyLabels : 0;
}

int indexOfCaption(const QString &text)
{
    for (int i = 0; i < Count; ++i)
        if (text.compare(QString::fromUtf16(table[i].caption), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace series
