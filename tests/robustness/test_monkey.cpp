// A monkey test of the windows: with a register open and the scripted
// dialogs answering every box, a seeded stream of random but valid user
// actions (clicks on cells, views, list rows and buttons; key presses and
// shortcuts; menu commands; typing; opening and closing every dialog) runs
// against the real windows. After each step:
//   - no exception left a command (the application's exception box),
//   - the step took at most 2 s,
//   - the document passes check,
//   - the register file on disk is unchanged unless the step could save
//     (and then it opens and passes check).
//
// TAVREL_MONKEY_SEEDS (comma-separated, default 1) and TAVREL_MONKEY_ACTIONS
// (default 2000) set the run; a failure names the seed and step, and the same
// two values replay it. TAVREL_MONKEY_TRACE prints every step.

#include "platform/textfile.h"
#include "register/registercheck.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace {

constexpr qint64 StepBudgetMs = 2000;

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Types text one key press per character; characters outside Latin-1 (kana,
// kanji, full-width letters) arrive as an input method would hand them over.
void typeText(QWidget *target, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(target, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QString describe(const QWidget *w)
{
    if (!w)
        return QStringLiteral("(none)");
    QString name = w->objectName();
    if (name.isEmpty())
        if (const auto *b = qobject_cast<const QAbstractButton *>(w))
            name = b->text();
    return QStringLiteral("%1 '%2'").arg(QString::fromLatin1(w->metaObject()->className()), name);
}

bool usable(const QWidget *w)
{
    return w && w->isVisible() && w->isEnabled() && w->width() > 0 && w->height() > 0;
}

const QList<QKeySequence> PlainKeys = {
    Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Delete,
    Qt::Key_Backspace, Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
    Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Space, Qt::Key_F2, Qt::Key_F4,
    QKeySequence(Qt::ShiftModifier | Qt::Key_Tab), QKeySequence(Qt::ShiftModifier | Qt::Key_Down),
    QKeySequence(Qt::ControlModifier | Qt::Key_Up), QKeySequence(Qt::ShiftModifier | Qt::Key_Right),
};

const QStringList Typed = {
    QStringLiteral("201"), QStringLiteral("総務部"), QStringLiteral("ﾃｽﾄ"), QStringLiteral("ab"), QStringLiteral("9"),
    QStringLiteral("山田 太郎"), QStringLiteral("Ａ１"), QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("-"),
};

class Monkey
{
public:
    Monkey(uitest::Environment &env, quint32 seed, const QString &path, const QStringList &others)
        : m_env(env), m_rng(seed), m_seed(seed), m_path(path), m_others(others), m_disk(fileBytes(path))
    {
    }

    ~Monkey() { m_running = false; }

    // Runs the steps; returns the first fault ("" when none).
    QString run(int actions)
    {
        m_running = true;
        scheduleService();
        for (m_step = 1; m_step <= actions; ++m_step) {
            refillDialogs();
            activateMain();
            const qsizetype shownBefore = m_env.dialogs.shown.size();
            const int exceptionsBefore = int(m_exceptions.size());
            m_couldSave = false;
            QElapsedTimer timer;
            timer.start();
            m_action = act();
            ++m_actionKinds[m_action.section(u' ', 0, 0)];
            QCoreApplication::processEvents();
            closePopups();
            const qint64 ms = timer.elapsed();
            m_log << QStringLiteral("%1: %2").arg(m_step).arg(m_action);
            if (m_trace)
                qInfo().noquote() << m_log.constLast();
            if (m_log.size() > 15)
                m_log.removeFirst();

            QString fault;
            if (m_exceptions.size() > exceptionsBefore)
                fault = QStringLiteral("an exception left a command: %1").arg(m_exceptions.constLast());
            for (qsizetype i = shownBefore; fault.isEmpty() && i < m_env.dialogs.shown.size(); ++i) {
                const auto &s = m_env.dialogs.shown.at(i);
                if (s.kind == QLatin1String("exception"))
                    fault = QStringLiteral("an exception left a command: %1").arg(s.text);
                if (s.kind == QLatin1String("question"))
                    m_couldSave = true; // "save changes?" answered Yes saves
            }
            if (fault.isEmpty() && ms > StepBudgetMs)
                fault = QStringLiteral("the step took %1 ms").arg(ms);
            if (fault.isEmpty()) {
                const QList<RegisterProblem> problems = checkRegister(FMain->document().lines());
                if (!problems.isEmpty())
                    fault = QStringLiteral("the document fails check: line %1: %2")
                                .arg(problems.first().line + 1)
                                .arg(problems.first().message);
            }
            if (fault.isEmpty())
                fault = checkDisk();
            if (fault.isEmpty() && m_modalFault.size())
                fault = m_modalFault;
            if (!fault.isEmpty()) {
                m_running = false;
                return QStringLiteral("seed %1, step %2 (%3): %4\nlast steps:\n  %5\nreplay: TAVREL_MONKEY_SEEDS=%1 "
                                      "TAVREL_MONKEY_ACTIONS=%2 test_monkey")
                    .arg(m_seed)
                    .arg(m_step)
                    .arg(m_action, fault, m_log.join(QStringLiteral("\n  ")));
            }
            if (!FMain->isVisible()) {
                m_env.showMain();
                m_log << QStringLiteral("(main window shown again)");
            }
        }
        m_running = false;
        return QString();
    }

    void exceptionReported(const QString &message) { m_exceptions << message; }

    // What the run did, for the test's output.
    QString summary() const
    {
        QMap<QString, int> kinds;
        for (const auto &s : m_env.dialogs.shown)
            ++kinds[s.kind];
        QStringList boxes;
        for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
            boxes << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
        QStringList actions;
        for (auto it = m_actionKinds.cbegin(); it != m_actionKinds.cend(); ++it)
            actions << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
        return QStringLiteral("actions: %1; dialogs served: %2 (%3 steps in them); boxes: %4; entries at the end: %5")
            .arg(actions.join(QStringLiteral(", ")))
            .arg(m_dialogsServed)
            .arg(m_dialogSteps)
            .arg(boxes.join(QStringLiteral(", ")))
            .arg(FMain->rowCount());
    }

private:
    int pick(int n) { return n <= 1 ? 0 : int(m_rng.bounded(n)); }
    template <class T> T any(const QList<T> &list) { return list.at(pick(int(list.size()))); }
    QPoint anywhere(const QWidget *w) { return QPoint(pick(w->width()), pick(w->height())); }

    // The register on disk changes only through a save, and stays a
    // register that opens and passes check.
    QString checkDisk()
    {
        const QByteArray now = fileBytes(m_path);
        if (now == m_disk)
            return QString();
        if (!m_couldSave)
            return QStringLiteral("the register file changed without a save");
        m_disk = now;
        RegisterDocument doc;
        try {
            doc.loadBytes(now);
        } catch (const TavrelError &e) {
            return QStringLiteral("the saved register does not open: %1").arg(e.message());
        }
        const QList<RegisterProblem> problems = checkRegister(doc.lines());
        return problems.isEmpty() ? QString()
                                  : QStringLiteral("the saved register fails check: line %1: %2")
                                        .arg(problems.first().line + 1)
                                        .arg(problems.first().message);
    }

    // Every box gets an answer from the seed: questions, files, fonts,
    // colours and the print dialog.
    void refillDialogs()
    {
        ScriptedUserDialogs &d = m_env.dialogs;
        while (d.answers.size() < 2)
            d.answers << any(QList<UserDialogs::Answer>{UserDialogs::Answer::Yes, UserDialogs::Answer::No,
                                                         UserDialogs::Answer::Cancel});
        while (d.fileNames.size() < 2) {
            // What a file dialog can return: an existing file (a save
            // confirms replacing it) or nothing.
            const QStringList choices = QStringList{m_path, QString(), m_env.dataFolder() + QStringLiteral("logo.bmp")}
                                      + m_others;
            d.fileNames << any(choices);
        }
        while (d.fonts.size() < 2) {
            if (pick(3) == 0) {
                d.fonts << std::nullopt;
            } else {
                UserDialogs::FontChoice f;
                f.face = any(QStringList{QStringLiteral("ＭＳ 明朝"), QStringLiteral("ＭＳ ゴシック")});
                f.pointSize = 6 + pick(20);
                f.colour = int(m_rng.bounded(0x1000000));
                f.bold = pick(2);
                f.italic = pick(2);
                d.fonts << f;
            }
        }
        while (d.colours.size() < 2)
            d.colours << (pick(3) == 0 ? QColor() : QColor::fromRgb(m_rng.bounded(0x1000000)));
        while (d.printAnswers.size() < 2) {
            ScriptedUserDialogs::PrintAnswer p;
            p.accept = pick(4) == 0;
            p.outputFile = m_env.dataFolder() + QStringLiteral("print.pdf");
            d.printAnswers << p;
        }
    }

    // The offscreen platform has no window manager: a closed popup or
    // window leaves no window active, and a click does not activate one.
    // The main window is made active again as the user's click on it would.
    void activateMain()
    {
        QWidget *active = QApplication::activeWindow();
        if (active && active->isVisible() && !qobject_cast<QMenu *>(active))
            return;
        FMain->activateWindow();
        QCoreApplication::processEvents();
    }

    // ------------------------------------------------------------ actions

    QString act()
    {
        if (FMain->rowCount() == 0 && pick(3) != 0)
            return reopen();
        switch (pick(20)) {
        case 0:
        case 1:
            return clickListRow();
        case 2:
        case 3:
        case 4:
            return clickIn(any(views()), pick(6) == 0);
        case 5:
        case 6:
        case 7:
            return pressKey();
        case 8:
        case 9:
            return shortcut();
        case 10:
        case 11:
            return menuCommand();
        case 12:
        case 13:
            return clickButton();
        case 14:
        case 15:
            return type();
        case 16:
            return contextMenu();
        case 17:
            return chooseFromCombo();
        case 18:
            return closeOtherWindow();
        default:
            return clickKeyLabelPanel();
        }
    }

    // An empty register gives the other actions little to do: File ▸ Open
    // (Ctrl+O) with one of the registers.
    QString reopen()
    {
        const QString file = any(QStringList{m_path} + m_others);
        m_env.dialogs.fileNames.prepend(file);
        m_couldSave = true; // the unsaved-changes question may save
        QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
        return QStringLiteral("open %1 with Ctrl+O").arg(QFileInfo(file).fileName());
    }

    QList<QWidget *> views()
    {
        QList<QWidget *> out;
        for (QWidget *w : {static_cast<QWidget *>(uitest::part<StripSheet>("detailSheet")), static_cast<QWidget *>(uitest::part<StripSheet>("overviewSheet")),
                           uitest::part<QTreeView>("registerList")->viewport(), static_cast<QWidget *>(uitest::part<QLabel>("entryCaption"))})
            if (usable(w))
                out << w;
        if (out.isEmpty())
            out << FMain;
        return out;
    }

    QString clickListRow()
    {
        QTreeView *list = uitest::part<QTreeView>("registerList");
        const int rows = list->model()->rowCount();
        if (!usable(list) || rows == 0)
            return clickIn(FMain, false);
        const int row = pick(rows);
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        const Qt::KeyboardModifiers mods = any(QList<Qt::KeyboardModifiers>{{}, {}, Qt::ShiftModifier, Qt::ControlModifier});
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualRect(index).center());
        return QStringLiteral("click list row %1 (modifiers %2)").arg(row).arg(int(mods));
    }

    QString clickIn(QWidget *w, bool twice)
    {
        const QPoint at = anywhere(w);
        const Qt::KeyboardModifiers mods = any(QList<Qt::KeyboardModifiers>{{}, {}, {}, Qt::ShiftModifier, Qt::ControlModifier});
        if (twice)
            QTest::mouseDClick(w, Qt::LeftButton, mods, at);
        else
            QTest::mouseClick(w, Qt::LeftButton, mods, at);
        return QStringLiteral("%1 %2 at %3,%4 (modifiers %5)")
            .arg(twice ? QStringLiteral("double-click") : QStringLiteral("click"), describe(w))
            .arg(at.x())
            .arg(at.y())
            .arg(int(mods));
    }

    QWidget *keyTarget()
    {
        QWidget *w = QApplication::focusWidget();
        return w && w->isVisible() ? w : FMain;
    }

    QString pressKey()
    {
        const QKeySequence k = any(PlainKeys);
        QWidget *target = keyTarget();
        QTest::keySequence(target, k);
        return QStringLiteral("key %1 on %2").arg(k.toString(), describe(target));
    }

    // A shortcut of one of the main window's commands, except ending the program.
    QString shortcut()
    {
        QList<QAction *> actions;
        for (QAction *a : FMain->findChildren<QAction *>())
            if (!a->shortcut().isEmpty() && a != uitest::part<QAction>("ActionFileExit"))
                actions << a;
        if (actions.isEmpty())
            return pressKey();
        const QKeySequence k = any(actions)->shortcut();
        QTest::keySequence(FMain, k);
        m_couldSave = true; // Ctrl+S among them
        return QStringLiteral("shortcut %1").arg(k.toString());
    }

    // A menu of the menu bar opened with a click, then one of its enabled
    // commands clicked (ending the program left out).
    QString menuCommand()
    {
        QMenuBar *bar = FMain->menuBar();
        QList<QAction *> menus;
        for (QAction *a : bar->actions())
            if (a->menu() && a->isVisible() && a->isEnabled())
                menus << a;
        if (menus.isEmpty() || !usable(bar))
            return pressKey();
        QAction *menuAction = any(menus);
        m_ownPopup = true;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menuAction).center());
        m_ownPopup = false;
        QMenu *menu = menuAction->menu();
        if (!menu->isVisible())
            return QStringLiteral("menu %1 did not open").arg(menuAction->text());
        QList<QAction *> commands;
        for (QAction *a : menu->actions())
            if (!a->isSeparator() && a->isVisible() && a->isEnabled() && !a->menu() && a != uitest::part<QAction>("ActionFileExit"))
                commands << a;
        if (commands.isEmpty()) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return QStringLiteral("menu %1 opened and closed").arg(menuAction->text());
        }
        QAction *command = any(commands);
        const QString name = QStringLiteral("menu %1 ▸ %2").arg(menuAction->text(), command->text());
        m_couldSave = true;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(command).center());
        return name;
    }

    QString clickButton()
    {
        QList<QWidget *> buttons;
        for (QToolButton *b : FMain->findChildren<QToolButton *>())
            if (usable(b) && b->window() == FMain)
                buttons << b;
        if (buttons.isEmpty())
            return pressKey();
        QWidget *b = any(buttons);
        m_couldSave = m_couldSave || b == uitest::part<QToolButton>("ToolButtonSave");
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
        return QStringLiteral("click button %1").arg(describe(b));
    }

    QString type()
    {
        QWidget *target = keyTarget();
        const QString text = any(Typed);
        typeText(target, text);
        return QStringLiteral("type '%1' into %2").arg(text, describe(target));
    }

    QString contextMenu()
    {
        QWidget *w = any(views());
        const QPoint at = anywhere(w);
        QTest::mouseClick(w, Qt::RightButton, {}, at);
        return QStringLiteral("right-click %1 at %2,%3").arg(describe(w)).arg(at.x()).arg(at.y());
    }

    QString chooseFromCombo()
    {
        QList<QComboBox *> boxes;
        for (QComboBox *b : {uitest::part<QComboBox>("ComboBoxFont"), uitest::part<QComboBox>("ComboBoxFontSize"), uitest::part<QComboBox>("ComboBoxSeries")})
            if (usable(b) && b->count() > 0)
                boxes << b;
        if (boxes.isEmpty())
            return pressKey();
        QComboBox *box = any(boxes);
        const int index = pick(box->count());
        m_ownPopup = true; // the list this step opens is its own to click
        uitest::pickFromList(box, index);
        m_ownPopup = false;
        return QStringLiteral("choose item %1 of %2").arg(index).arg(describe(box));
    }

    // The windows that stay open beside the main window (find and replace,
    // previews) are closed with Esc.
    QString closeOtherWindow()
    {
        QList<QWidget *> windows;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != FMain && w->isVisible() && !qobject_cast<QMenu *>(w) && w->isWindow() && !w->isModal())
                windows << w;
        if (windows.isEmpty())
            return clickIn(any(views()), false);
        QWidget *w = any(windows);
        QTest::keyClick(w, Qt::Key_Escape);
        return QStringLiteral("Esc on window %1").arg(describe(w));
    }

    QString clickKeyLabelPanel()
    {
        QTabWidget *panel = uitest::part<QTabWidget>("keyLabelTabs");
        if (!usable(panel))
            return clickButton();
        QList<QWidget *> targets;
        for (QAbstractButton *b : panel->findChildren<QAbstractButton *>())
            if (usable(b))
                targets << b;
        if (targets.isEmpty())
            return clickIn(panel, false);
        QWidget *b = any(targets);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
        return QStringLiteral("click key label %1").arg(describe(b));
    }

    void closePopups()
    {
        for (int i = 0; i < 5 && QApplication::activePopupWidget(); ++i) {
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            QCoreApplication::processEvents();
        }
    }

    // ------------------------------------------------------------ dialogs

    // Polls for a modal dialog or a menu left open while a command waits
    // on it. The next poll is scheduled before this one acts, so that a
    // dialog opened from a dialog is served inside its own event loop.
    void scheduleService()
    {
        if (!m_running)
            return;
        QTimer::singleShot(15, &m_context, [this] {
            scheduleService();
            serve();
        });
    }

    void serve()
    {
        if (!m_running)
            return;
        if (QWidget *popup = QApplication::activePopupWidget(); popup && !m_ownPopup) {
            // A context menu shown with exec(): one of its commands or Esc.
            if (++m_popupPolls < 3)
                return;
            m_popupPolls = 0;
            auto *menu = qobject_cast<QMenu *>(popup);
            QList<QAction *> commands;
            if (menu)
                for (QAction *a : menu->actions())
                    if (!a->isSeparator() && a->isVisible() && a->isEnabled() && !a->menu())
                        commands << a;
            if (menu && !commands.isEmpty() && pick(3) != 0) {
                QAction *a = any(commands);
                m_log << QStringLiteral("   popup command %1").arg(a->text());
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            } else {
                QTest::keyClick(popup, Qt::Key_Escape);
            }
            return;
        }
        m_popupPolls = 0;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            m_modalActions.clear(); // the next dialog shown starts afresh
            return;
        }
        int &handled = m_modalActions[modal];
        if (++handled == 1)
            ++m_dialogsServed;
        ++m_dialogSteps;
        if (handled <= 1 + pick(8)) {
            actInDialog(modal);
            return;
        }
        if (handled < 12) {
            m_log << QStringLiteral("   Esc on %1").arg(describe(modal));
            QTest::keyClick(modal, Qt::Key_Escape);
            return;
        }
        // Esc did not close it: its cancel or close button.
        for (QAbstractButton *b : modal->findChildren<QAbstractButton *>()) {
            const QString t = b->text();
            if (usable(b) && (t.contains(QStringLiteral("ｷｬﾝｾﾙ")) || t.contains(QStringLiteral("キャンセル"))
                              || t.contains(QStringLiteral("閉じる")) || t.contains(QStringLiteral("Cancel")))) {
                m_log << QStringLiteral("   click %1").arg(describe(b));
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
                return;
            }
        }
        if (handled > 20 && modal->isVisible()) {
            m_modalFault = QStringLiteral("%1 closes neither with Esc nor with a cancel button").arg(describe(modal));
            modal->hide();
        }
    }

    // One action inside a dialog: a click on one of its controls, a key, or
    // typing into its focused field.
    void actInDialog(QWidget *dialog)
    {
        QList<QWidget *> controls;
        for (QWidget *w : dialog->findChildren<QWidget *>())
            if (usable(w) && w->window() == dialog
                && (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
                    || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QPlainTextEdit *>(w)
                    || qobject_cast<QTextEdit *>(w)))
                controls << w;
        switch (pick(4)) {
        case 0:
        case 1: {
            if (controls.isEmpty())
                break;
            QWidget *w = any(controls);
            QWidget *target = qobject_cast<QAbstractItemView *>(w) ? static_cast<QAbstractItemView *>(w)->viewport() : w;
            m_log << QStringLiteral("   click %1 in %2").arg(describe(w), describe(dialog));
            m_couldSave = true; // a dialog's OK may save (key labels, settings)
            QTest::mouseClick(target, Qt::LeftButton, {}, anywhere(target));
            return;
        }
        case 2: {
            const QKeySequence k = any(PlainKeys);
            QWidget *target = QApplication::focusWidget() && QApplication::focusWidget()->window() == dialog
                                  ? QApplication::focusWidget()
                                  : dialog;
            m_log << QStringLiteral("   key %1 in %2").arg(k.toString(), describe(dialog));
            QTest::keySequence(target, k);
            return;
        }
        default:
            break;
        }
        QWidget *target = QApplication::focusWidget() && QApplication::focusWidget()->window() == dialog
                              ? QApplication::focusWidget()
                              : dialog;
        const QString text = any(Typed);
        m_log << QStringLiteral("   type '%1' in %2").arg(text, describe(dialog));
        typeText(target, text);
    }

    QObject m_context; // pending polls end with the monkey
    uitest::Environment &m_env;
    QRandomGenerator m_rng;
    quint32 m_seed;
    QString m_path;
    QStringList m_others;
    QByteArray m_disk;
    QStringList m_log;
    QStringList m_exceptions;
    QHash<QWidget *, int> m_modalActions;
    QString m_modalFault;
    QString m_action;
    int m_step = 0;
    int m_popupPolls = 0;
    int m_dialogSteps = 0;
    int m_dialogsServed = 0;
    QMap<QString, int> m_actionKinds;
    bool m_couldSave = false;
    bool m_running = false;
    bool m_ownPopup = false;
    const bool m_trace = qEnvironmentVariableIsSet("TAVREL_MONKEY_TRACE"); // every step on the output
};

const QList<uitest::Environment::Entry> Entries = {
    {0, "電話機Ａ", "201", "総務部", "山田"}, {0, "電話機Ｂ", "202", "経理部", "佐藤"},
    {3, "電話機Ａ", "203", "営業部", "鈴木"}, {1, "電話機Ａ", "204", "工場", "田中"},
    {7, "ＳＩＰ電話機", "205", "倉庫", "高橋"},
};

} // namespace

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says on every popup that it cannot grab the
// keyboard or raise a window; thousands of steps would bury the result.
void quietPlatform(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousHandler(type, context, message);
}

class TestMonkey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actions_data();
    void actions();
};

void TestMonkey::actions_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("count");
    const QString seeds = qEnvironmentVariable("TAVREL_MONKEY_SEEDS", QStringLiteral("1"));
    const int count = qEnvironmentVariableIsSet("TAVREL_MONKEY_ACTIONS") ? qEnvironmentVariableIntValue("TAVREL_MONKEY_ACTIONS")
                                                                        : 2000;
    for (const QString &s : seeds.split(u',', Qt::SkipEmptyParts))
        QTest::addRow("seed %s", qPrintable(s.trimmed())) << s.trimmed().toUInt() << count;
}

void TestMonkey::actions()
{
    QFETCH(quint32, seed);
    QFETCH(int, count);
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(quietPlatform);
    uitest::Environment env;
    const QString path = env.writeRegister(QStringLiteral("monkey.TAV"), Entries);
    const QString other = env.writeRegister(QStringLiteral("other.TAV"), Entries.mid(2, 2));
    {
        QImage logo(16, 8, QImage::Format_RGB32);
        logo.fill(Qt::blue);
        QVERIFY(logo.save(env.dataFolder() + QStringLiteral("logo.bmp"), "BMP"));
    }
    env.start(path);
    QCOMPARE(FMain->rowCount(), Entries.size());

    Monkey monkey(env, seed, path, {other});
    TavrelApplication::setExceptionReporter([&monkey](const QString &m) { monkey.exceptionReported(m); });
    const QString fault = monkey.run(count);
    qInfo().noquote() << monkey.summary();
    TavrelApplication::setExceptionReporter({});
    // Whatever the steps left open is closed before the windows go.
    for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i)
        QApplication::activeModalWidget()->hide();
    env.dialogs.answers = QList<UserDialogs::Answer>(4, UserDialogs::Answer::No);
    env.destroyWindows();
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

TAVREL_UI_TEST_MAIN(TestMonkey)
#include "test_monkey.moc"
