#pragma once
// ヘルプ ▸ ユーザーガイド: the guide's first page in the desktop's browser.

#include <QString>

class QWidget;

namespace userguidecommand {

// Message when the guide is not installed; %1 is the file looked for.
extern const QString MissingMessage;
// Message when no program took the page; %1 is the file.
extern const QString NotOpenedMessage;

// Opens the first page of the guide in the language of the user's locale
// (English for English locales, Japanese otherwise) found for a program in
// programFolder; tells the user which file is missing when there is none.
void open(QWidget *parent, const QString &programFolder);

} // namespace userguidecommand
