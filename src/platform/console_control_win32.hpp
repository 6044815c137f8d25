#pragma once

// The console control handler behind StopSignals on Windows.
namespace kelmar::platform {

// What the handler does with one console control event (CTRL_C_EVENT, CTRL_BREAK_EVENT,
// CTRL_CLOSE_EVENT, ...): asks for a stop, and for a closing console waits until the
// waiter has stopped. Returns whether the event was handled. The console calls it on a
// thread of its own; the tests call it the same way, since Wine delivers no console
// events to a program without a terminal.
bool handleConsoleControl(unsigned long event);

}  // namespace kelmar::platform
