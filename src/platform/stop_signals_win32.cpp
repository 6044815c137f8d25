// Ctrl+C, Ctrl+Break and closing the console play the part SIGINT and SIGTERM play
// elsewhere. The console calls its control handler on a thread of its own; the handler
// only raises an event that the program waits on between two pieces of work, so work
// under way is never cut in half.
#include <windows.h>

#include "platform/console_control_win32.hpp"
#include "platform/stop_signals.hpp"

namespace kelmar::platform {
namespace {

// A console control handler receives no context, so the two events it needs are the
// process's own: created once, never closed (the system closes them at exit).
struct ConsoleStopEvents {
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);      // a stop was asked for
    HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the waiter has stopped
};

ConsoleStopEvents& stopEvents() {
    static ConsoleStopEvents events;
    return events;
}

// Windows ends the process once the handler returns from a close, logoff or shutdown
// event (and after five seconds in any case), so for those the handler waits for the
// program to finish the work under way.
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

struct StopSignals::State {};

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
    auto& events = stopEvents();
    ::ResetEvent(events.stop);
    ::ResetEvent(events.finished);
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
    ::SetEvent(stopEvents().finished);
    ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
}

bool StopSignals::waitFor(std::chrono::milliseconds time) {
    const auto milliseconds = time.count() < 0 ? 0 : time.count();
    const DWORD timeout =
        milliseconds >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(milliseconds);
    return ::WaitForSingleObject(stopEvents().stop, timeout) == WAIT_OBJECT_0;
}

void ignoreBrokenPipe() {}

}  // namespace kelmar::platform
