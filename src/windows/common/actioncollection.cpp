#include "windows/common/actioncollection.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QWidget>

#include <stdexcept>
#include <string>

// The toolbar pictures live in the program's resources (toolbar.qrc); the
// resources of a static library are registered by name once.
static void initToolbarResources() { Q_INIT_RESOURCE(toolbar); }

namespace {
// A toolbar picture: NAME.png, 16 × 16 on a transparent ground, with
// NAME@2x.png beside it for screens of twice the density.
QIcon toolbarIcon(const QString &name)
{
    static const bool registered = (initToolbarResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addFile(QStringLiteral(":/toolbar/%1.png").arg(name));
    icon.addFile(QStringLiteral(":/toolbar/%1@2x.png").arg(name));
    return icon;
}

[[noreturn]] void missing(const char *what, const char *name)
{
    throw std::logic_error(std::string("the window has no ") + what + " named " + name);
}
} // namespace

namespace commandhint {
QString tip(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString statusText(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}
} // namespace commandhint

ActionCollection::ActionCollection(QWidget *owner) : QObject(owner), m_owner(owner) {}

QAction *ActionCollection::add(const char *name, const QString &text, const QKeySequence &key, const QString &hint)
{
    auto *a = new QAction(text, m_owner);
    a->setObjectName(QLatin1String(name));
    if (!key.isEmpty())
        a->setShortcut(key);
    a->setStatusTip(hint);
    m_actions.insert(name, a);
    return a;
}

QAction *ActionCollection::addCheckable(const char *name, const QString &text, const QString &hint)
{
    QAction *a = add(name, text, {}, hint);
    a->setCheckable(true);
    return a;
}

void ActionCollection::setButton(QAction *action, const char *buttonName, const char *picture, const QString &hint)
{
    m_looks.insert(action, ButtonLook{buttonName, picture, hint});
}

void ActionCollection::setButtonHint(QAction *action, const QString &hint)
{
    const auto look = m_looks.find(action);
    if (look == m_looks.end())
        return;
    look->hint = hint;
    if (look->made)
        look->made->setStatusTip(hint);
}

QComboBox *ActionCollection::addComboBox(const char *name, int width, const QString &hint, bool editable)
{
    auto *c = new QComboBox(m_owner);
    c->setObjectName(QLatin1String(name));
    c->setFixedWidth(width);
    c->setEditable(editable);
    c->setToolTip(commandhint::tip(hint));
    c->setStatusTip(hint);
    c->setAccessibleName(commandhint::tip(hint));
    if (editable)
        c->lineEdit()->setAccessibleName(commandhint::tip(hint));
    m_widgets.insert(name, c);
    return c;
}

QAction *ActionCollection::action(const char *name) const
{
    QAction *a = m_actions.value(name);
    if (!a)
        missing("command", name);
    return a;
}

QList<QAction *> ActionCollection::actions(std::initializer_list<const char *> names) const
{
    QList<QAction *> list;
    for (const char *n : names)
        list.append(action(n));
    return list;
}

QWidget *ActionCollection::widget(const char *name) const
{
    QWidget *w = m_widgets.value(name);
    if (!w)
        missing("control", name);
    return w;
}

QToolButton *ActionCollection::button(const char *name, QWidget *toolbar)
{
    QAction *action = this->action(name);
    const auto look = m_looks.find(action);
    if (look == m_looks.end())
        missing("toolbar button for", name);
    auto *b = new QToolButton(toolbar);
    b->setObjectName(QLatin1String(look->objectName));
    b->setIcon(toolbarIcon(QLatin1String(look->picture)));
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(24, 22);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(commandhint::tip(look->hint));
    b->setStatusTip(look->hint);
    b->setAccessibleName(commandhint::tip(look->hint));
    b->setCheckable(action->isCheckable());
    look->made = b;
    // The button follows its command: enabled and checked as the action is.
    auto follow = [b, action] {
        b->setEnabled(action->isEnabled());
        b->setChecked(action->isChecked());
    };
    follow();
    connect(action, &QAction::changed, b, follow);
    connect(action, &QAction::toggled, b, follow);
    // A click runs the command; the button then shows the command's state
    // (an exclusive group keeps its checked command on).
    connect(b, &QToolButton::clicked, action, [action, follow] {
        action->trigger();
        follow();
    });
    return b;
}
