#pragma once
// What the tests of the print windows share: their register and template,
// answering a modal dialog once it shows, Ctrl+clicking register list rows,
// picking a File menu item, and the jobs of a CUPS queue.

#include "register/series.h"
#include "uitestsupport.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/print/printcommands.h"
#include "windows/print/tfadjust.h"
#include "windows/print/tfprintjimeijocard.h"
#include "windows/print/tfprintjimeijolist.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

// The print dialogs of the main window, made when first needed.
inline TFPrintJimeijoCard *cardWindow() { return &FMain->printCommands().cardDialog(); }
inline TFPrintJimeijoList *listWindow() { return &FMain->printCommands().listDialog(); }
inline TFAdjust *adjustWindow() { return &FMain->printCommands().adjustDialog(); }

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


// Job PDFs of the queue, by job number.
inline QMap<int, QString> queueJobs(const QString &folder)
{
    QMap<int, QString> jobs;
    const QRegularExpression job(QStringLiteral("job_(\\d+)\\.pdf$"));
    for (const QString &f : QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
        const auto m = job.match(f);
        if (m.hasMatch())
            jobs.insert(m.captured(1).toInt(), folder + u'/' + f);
    }
    return jobs;
}

// The numbers of the jobs the scheduler lists for a queue ("QUEUE-N user
// size date" lines of lpstat), of every state or of the completed ones.
inline QSet<int> queueJobIds(const QString &queue, bool completedOnly = false)
{
    QProcess p;
    p.start(QStringLiteral("lpstat"), {QStringLiteral("-W"), completedOnly ? QStringLiteral("completed") : QStringLiteral("all"),
                                       QStringLiteral("-o"), queue});
    p.waitForFinished(30000);
    const QRegularExpression line(QStringLiteral("^") + QRegularExpression::escape(queue) + QStringLiteral("-(\\d+)\\s"),
                                  QRegularExpression::MultilineOption);
    QSet<int> ids;
    for (auto it = line.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();)
        ids.insert(it.next().captured(1).toInt());
    return ids;
}

// The PDF files of the queue's jobs that are not in `before`, by job
// number, once the scheduler has completed each of them and its file is
// whole (it ends its PDF and the next poll sees it unchanged). Jobs of other
// queues writing to the same folder at the same time are never taken.
inline QMap<int, QString> waitForJobs(const QString &queue, const QString &folder, const QSet<int> &before)
{
    QMap<int, QString> fresh;
    QMap<int, qint64> sizes;
    for (int i = 0; i < 600; ++i) {
        QTest::qWait(200);
        const QSet<int> ours = queueJobIds(queue) - before;
        const QSet<int> completed = queueJobIds(queue, true);
        const QMap<int, QString> files = queueJobs(folder);
        bool done = !ours.isEmpty();
        for (int id : ours) {
            QFile f(files.value(id));
            const qint64 size = f.size();
            const bool ended = completed.contains(id) && f.open(QIODevice::ReadOnly) && size > 16 && f.seek(size - 16)
                               && f.read(16).contains("%%EOF");
            done = done && ended && sizes.value(id, -1) == size;
            sizes[id] = size;
            fresh.insert(id, files.value(id));
        }
        if (done)
            break;
    }
    return fresh;
}

// Runs tavrel-cli; its messages when it fails, nothing otherwise.
inline QString runCli(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"), args);
    p.waitForFinished(120000);
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError()) + QStringLiteral(" (failed)");
}

} // namespace printtest
