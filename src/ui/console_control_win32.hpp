#pragma once

// The console control handler of the Windows headless runner (see SignalStopRequest).
#ifdef _WIN32

namespace kelmar::ui {

// What the handler does with one console control event (CTRL_C_EVENT, CTRL_BREAK_EVENT,
// CTRL_CLOSE_EVENT, ...): asks the runner to stop, and for a closing console waits until
// it has. Returns whether the event was handled. The console calls it on a thread of its
// own; the tests call it the same way, since Wine delivers no console events to a program
// without a terminal.
bool handleConsoleControl(unsigned long event);

}  // namespace kelmar::ui

#endif
