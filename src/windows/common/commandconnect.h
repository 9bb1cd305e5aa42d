#pragma once
// Connects a command (a QAction of the main window) to the handler of the
// object that carries it out, and marks the command as handled: the main
// window enables only commands that have a handler.

#include <QAction>
#include <QObject>

namespace command {

// The property the main window reads to tell handled commands apart.
constexpr const char *HandledProperty = "tavrelHandled";

template <typename Receiver, typename Slot>
void connectCommand(QAction *action, const Receiver *receiver, Slot slot)
{
    QObject::connect(action, &QAction::triggered, receiver, slot);
    action->setProperty(HandledProperty, true);
}

} // namespace command
