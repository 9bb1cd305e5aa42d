#pragma once
// What the tests of the print windows share: their register and template,
// answering a modal dialog once it shows, Ctrl+clicking register list rows,
// and picking a File menu item.

#include "register/series.h"
#include "uitestsupport.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace printtest {

// Template 電話機Ｃ of series 2 and 4: one section of two keys.
inline void writeTemplateC(uitest::Environment &env)
{
    uitest::writeTemplate(env.programFolder(), QStringLiteral("電話機Ｃ"),
                          uitest::templateLines(series::caption(2) + series::caption(4),
                                                {{1, "10", "10", "60", "40", {"001", "002"}}}));
}

// `count` entries: 201 (series 0, 電話機Ａ), 202 (series 4), 203 and from
// 303 on (series 2, 電話機Ｃ).
inline QList<uitest::Environment::Entry> entries(int count)
{
    QList<uitest::Environment::Entry> out{
        {0, QStringLiteral("電話機Ａ"), QStringLiteral("201"), QStringLiteral("総務部"), QStringLiteral("山田")},
        {4, QStringLiteral("電話機Ｃ"), QStringLiteral("202"), QStringLiteral("営業部"), QStringLiteral("佐藤")},
        {2, QStringLiteral("電話機Ｃ"), QStringLiteral("203"), QStringLiteral("技術部"), QStringLiteral("鈴木")}};
    for (int i = 3; i < count; ++i)
        out.append({2, QStringLiteral("電話機Ｃ"), QString::number(300 + i), QStringLiteral("部署%1").arg(i),
                    QStringLiteral("使用者%1").arg(i)});
    return out.mid(0, count);
}

// Runs fn once `dialog` is shown (modally), then closes it if fn left it
// open, so that a failing check cannot hang the test.
inline void whenShown(QDialog *dialog, const std::function<void()> &fn)
{
    auto *timer = new QTimer(dialog); // goes with the window if it never shows
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, dialog, fn] {
        if (!dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == dialog, 5000);
        fn();
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

inline void ctrlClickRow(int row)
{
    QTreeView *list = uitest::part<QTreeView>("registerList");
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualRect(index).center());
}

// Opens ファイル with a click on the menu bar and presses the item's
// letter; a command that shows a modal window returns once it closes.
inline void fileMenuItem(Qt::Key letter)
{
    QMenuBar *bar = FMain->menuBar();
    QAction *file = bar->actions().constFirst();
    // The offscreen platform has no window manager to give the main window
    // back its activation when a modal window closes.
    if (QApplication::activeWindow() != FMain)
        FMain->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == FMain);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QTRY_VERIFY(QApplication::activePopupWidget() == file->menu());
    QTest::keyClick(file->menu(), letter);
}

} // namespace printtest
