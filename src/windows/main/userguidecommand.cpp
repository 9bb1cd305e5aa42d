#include "windows/main/userguidecommand.h"

#include "platform/userguide.h"
#include "windows/common/userdialogs.h"

#include <QDir>
#include <QLocale>
#include <QUrl>

namespace userguidecommand {

const QString MissingMessage = QStringLiteral("ユーザーガイドが見つかりません。\n%1");
const QString NotOpenedMessage = QStringLiteral("ユーザーガイドを開くブラウザがありません。\n%1");

void open(QWidget *parent, const QString &programFolder)
{
    const userguide::Page page = userguide::firstPage(programFolder, QLocale().uiLanguages().value(0));
    if (page.path.isEmpty()) {
        UserDialogs::current().error(parent, MissingMessage.arg(QDir::toNativeSeparators(page.expected)));
        return;
    }
    if (!UserDialogs::current().openUrl(parent, QUrl::fromLocalFile(page.path)))
        UserDialogs::current().error(parent, NotOpenedMessage.arg(QDir::toNativeSeparators(page.path)));
}

} // namespace userguidecommand
