#pragma once
// The eight main-unit series: index = position in the series selector and
// the value of SelSeriesNo; the caption is what entries and templates store.

#include <QString>

namespace series {

constexpr int Count = 8;

QString caption(int index);          // empty outside 0..7
int keyLabelsPerPage(int index);     // 20 or 15; 0 outside 0..7
// Index of the caption, letter case ignored; -1 when it is none of the eight.
int indexOfCaption(const QString &caption);

} // namespace series
