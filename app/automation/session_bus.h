#pragma once
// Putting the window on the user's session bus at start-up, under the name
// org.tavro.PenWriter with its operations at /inkWrite.

#include <QDBusConnection>

class InkWrite;

namespace Automation {

// Registers the window's operations on bus and takes the name, never queueing
// for it and never letting another instance take it over. Returns false, with
// nothing left registered, when the name is already owned or bus refuses.
bool publish(InkWrite& window, QDBusConnection bus);

// The program's start-up: publishes on the session bus when the user has
// one. Without a session bus, or when another instance holds the name, the
// program runs on without it and says nothing.
void publishOnSessionBus(InkWrite& window);

}  // namespace Automation
