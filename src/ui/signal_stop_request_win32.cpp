// The headless runner's stop on Windows: Ctrl+C, Ctrl+Break and closing the console
// window play the part SIGINT and SIGTERM play elsewhere. The console calls its control
// handler on a thread of its own; the handler only raises an event that the runner
// waits on between ticks, so a tick is never cut in half.
#include <windows.h>

#include "ui/console_control_win32.hpp"
#include "ui/headless_runner.hpp"

namespace kelmar::ui {
namespace {

// A console control handler receives no context, so the two events it needs are the
// process's own: created once, never closed (the system closes them at exit).
struct ConsoleStopEvents {
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);      // a stop was asked for
    HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the runner has stopped
};

ConsoleStopEvents& stopEvents() {
    static ConsoleStopEvents events;
    return events;
}

// Windows ends the process once the handler returns from a close, logoff or shutdown
// event (and after five seconds in any case), so for those the handler waits for the
// runner to finish the tick under way.
constexpr DWORD kCloseGrace = 4500;

BOOL WINAPI onConsoleControl(DWORD event) {
    return handleConsoleControl(event) ? TRUE : FALSE;
}

}  // namespace

bool handleConsoleControl(unsigned long event) {
    auto& events = stopEvents();
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            ::SetEvent(events.stop);
            return true;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            ::SetEvent(events.stop);
            ::WaitForSingleObject(events.finished, kCloseGrace);
            return true;
        default:
            return false;
    }
}

SignalStopRequest::SignalStopRequest() {
    auto& events = stopEvents();
    ::ResetEvent(events.stop);
    ::ResetEvent(events.finished);
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

SignalStopRequest::~SignalStopRequest() {
    ::SetEvent(stopEvents().finished);
    ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
}

bool SignalStopRequest::waitFor(std::chrono::milliseconds time) {
    const auto milliseconds = time.count() < 0 ? 0 : time.count();
    const DWORD timeout =
        milliseconds >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(milliseconds);
    return ::WaitForSingleObject(stopEvents().stop, timeout) == WAIT_OBJECT_0;
}

}  // namespace kelmar::ui
