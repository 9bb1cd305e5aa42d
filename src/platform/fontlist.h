#pragma once
// The font family list that the font boxes offer: the display's families in
// the order the system gives them, each with its TrueType mark. Scalable
// outline fonts count as TrueType. The four Windows faces that the files
// name are offered too, so that a file's own face can be chosen again.

#include <QImage>
#include <QStringList>

// Every family name followed by one marker character: "t" for TrueType,
// "u" for other families.
QStringList fontMarkList();

// The TrueType mark: 16 × 16 on a transparent background, two overlapping
// capital T, the rear one grey and offset up and to the left, the front one
// black.
QImage trueTypeMark();
