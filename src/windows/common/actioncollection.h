#pragma once
// The window's commands, by name. Each command class creates the actions it
// carries out (text, shortcut, hint, checkable state), connects them to its
// handlers and adds them here, together with the toolbar button that stands
// for it and any toolbar control it owns. The main window only lays the
// collection out into its menus and toolbar, by name, and knows no handler.
//
// A command that is checkable (bold, alignment, the views) is a checkable
// QAction, in a QActionGroup where only one may be on; its toolbar button
// follows the action, so the state lives in one place.
//
// For the next window: create an ActionCollection with the window as owner,
// let each command class add its actions in its constructor, then lay out
// menus (actions(names)) and the toolbar (button(name), widget(name)).

#include <QAction>
#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QToolButton>

class QComboBox;
class QWidget;

class ActionCollection : public QObject
{
public:
    // The actions become children of `owner`, named `name`, so that tests
    // and the accessibility tree find them under the window.
    explicit ActionCollection(QWidget *owner);

    // A new command. Its handler is connected by the caller (or with
    // `onTrigger`); a command without a handler is never added.
    QAction *add(const char *name, const QString &text, const QKeySequence &key = {}, const QString &hint = {});
    QAction *addCheckable(const char *name, const QString &text, const QString &hint = {});

    template <typename Receiver, typename Slot>
    QAction *add(const char *name, const QString &text, const Receiver *receiver, Slot slot,
                 const QKeySequence &key = {}, const QString &hint = {})
    {
        QAction *a = add(name, text, key, hint);
        QObject::connect(a, &QAction::triggered, receiver, slot);
        return a;
    }

    // The toolbar button standing for `action`: object name, picture (a
    // name in the toolbar resources) and hint ("tip|status line text").
    void setButton(QAction *action, const char *buttonName, const char *picture, const QString &hint);
    // A new hint for the button of `action` (the undo button names the step).
    void setButtonHint(QAction *action, const QString &hint);
    // A toolbar list box that a command class owns: `width` pixels wide,
    // named for tests and screen readers by the tip of `hint`.
    QComboBox *addComboBox(const char *name, int width, const QString &hint, bool editable);

    // Lookups for the window that lays the collection out.
    QAction *action(const char *name) const;
    QList<QAction *> actions(std::initializer_list<const char *> names) const;
    QWidget *widget(const char *name) const;
    // The toolbar button of the action named `name`, made on first use.
    QToolButton *button(const char *name, QWidget *toolbar);

private:
    struct ButtonLook
    {
        QByteArray objectName;
        QByteArray picture;
        QString hint;
        QPointer<QToolButton> made;
    };
    QWidget *m_owner;
    QHash<QByteArray, QAction *> m_actions;
    QHash<QByteArray, QWidget *> m_widgets;
    QHash<QAction *, ButtonLook> m_looks;
};

namespace commandhint {
// A hint "tip|status text": the tool tip is the part before the bar, the
// status line shows the part after it (the whole hint when it has no bar).
QString tip(const QString &hint);
QString statusText(const QString &hint);
} // namespace commandhint
