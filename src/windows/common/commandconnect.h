#pragma once
// Connects a command (a QAction of the main window) to the handler of the
// object that carries it out, and marks the command as handled: the main
// window enables only commands that have a handler. Each command class finds
// the actions and controls it owns by name, once, when it is made.

#include <QAction>
#include <QObject>

#include <stdexcept>
#include <string>

namespace command {

// The property the main window reads to tell handled commands apart.
constexpr const char *HandledProperty = "tavrelHandled";

template <typename Receiver, typename Slot>
void connectCommand(QAction *action, const Receiver *receiver, Slot slot)
{
    QObject::connect(action, &QAction::triggered, receiver, slot);
    action->setProperty(HandledProperty, true);
}

// The main window's action or control named `name` (every part carries the
// name of what it is, e.g. "ActionFileNew", "registerList"). A part that is
// not there is a fault of the program, not of the user's data.
template <typename T = QAction>
T *part(const QObject *window, const char *name)
{
    T *found = window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!found)
        throw std::logic_error(std::string("the main window has no part named ") + name);
    return found;
}

} // namespace command
