#pragma once

#include <exception>
#include <functional>

// The general error handler: a failure raised by a handler ends that handler, its message reaches
// the user (a box captioned with the application title where there is a window), and the program
// goes on.

// Shows the message of a failure the way the general error handler does.
void HandleException(const std::exception &error);

// Runs a handler and routes any failure to HandleException; true when it ran to its end. Event
// handlers, timer slots and queued calls run their work through it, so that no failure unwinds
// through the event loop.
bool RunGuarded(const std::function<void()> &handler);
