#pragma once

#include <chrono>
#include <memory>

namespace kelmar::platform {

// Stop requests from outside the program, taken so that work under way is never cut in
// half. On POSIX: SIGINT, SIGTERM and SIGHUP, blocked in every thread while the object lives and
// taken by a watcher thread. On Windows: Ctrl+C, Ctrl+Break and closing the console,
// taken by the console's control handler. The first one is noted and ends the next
// wait (saying so on standard error when no wait is under way); a second one ends the
// process at once with status 130, which the crash-safe writing tolerates.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits up to the given time; true as soon as a stop was asked for.
    bool waitFor(std::chrono::milliseconds time);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A closed standard output (the program piped into "head -1") makes further printing fail
// instead of ending the process. Nothing to do on Windows, which has no such signal.
void ignoreBrokenPipe();

}  // namespace kelmar::platform
