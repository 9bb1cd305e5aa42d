#pragma once
// What the tests of the print windows share: answering a modal dialog once
// it shows, Ctrl+clicking register list rows, and picking a File menu item.

#include "app/tfmain.h"
#include "app/windows.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace printtest {

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
    QTreeView *list = FMain->ListView1;
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
