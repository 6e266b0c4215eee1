// Letting the window work during long registry operations: the messages waiting
// in the calling thread's queue are processed, until the queue is empty or a
// quit message comes next (which stays in the queue for the message loop).
#pragma once

#ifndef _WIN32
#include <functional>
#endif

void ProcessWaitingMessages();

#ifndef _WIN32
// The native build has no window system. A test can stand in for one: the hook
// runs each time ProcessWaitingMessages is called; without a hook nothing happens.
void SetWaitingMessagesHook(std::function<void()> hook);
#endif
