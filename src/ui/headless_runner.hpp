#pragma once

#include <chrono>
#include <functional>
#include <optional>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#include "engine/polling_tick.hpp"
#include "ui/message_presenter.hpp"

namespace kelmar::ui {

// Waits between ticks and says when the runner should stop.
class StopRequest {
  public:
    virtual ~StopRequest() = default;
    // Waits up to the given time; true as soon as a stop was asked for.
    virtual bool waitFor(std::chrono::milliseconds time) = 0;
};

// Stops on SIGINT or SIGTERM (Ctrl+C, Ctrl+Break or closing the console on Windows).
// On POSIX those signals are blocked in every thread while it lives and taken by a
// watcher thread, so a tick is never cut in half: the first one stops the runner when
// the current tick ends (saying so on standard error when a tick is under way), a
// second one ends the process at once with status 130, which the crash-safe writing
// tolerates.
class SignalStopRequest final : public StopRequest {
  public:
    SignalStopRequest();
    ~SignalStopRequest() override;
    SignalStopRequest(const SignalStopRequest&) = delete;
    SignalStopRequest& operator=(const SignalStopRequest&) = delete;

    bool waitFor(std::chrono::milliseconds time) override;

#ifndef _WIN32
  private:
    void watch();

    std::mutex mutex_;
    std::condition_variable stopped_;
    int signals_ = 0;
    bool waiting_ = false;
    bool closing_ = false;
    std::thread watcher_;
#endif
};

// A closed standard output (the runner piped into "head -1") makes further printing fail
// instead of ending the process: the requests are still served.
void ignoreBrokenPipe();

// The least pause after a failed tick when running on: a request that fails after a
// counter advanced must not burn numbers as fast as the machine can go.
inline constexpr std::chrono::milliseconds kPauseAfterFailure{1000};

struct HeadlessOptions {
    std::optional<long long> ticks;  // exactly this many ticks, back to back
    std::chrono::milliseconds interval{1000};
    std::function<void()> beforeEachTick;  // e.g. to warn about missing folders
};

// Runs ticks until told to stop (or the given number of them, back to back). Every
// error is shown and the next tick starts fresh; when running on, a failed tick holds the
// next one back for at least kPauseAfterFailure. Returns the exit status: with a tick count, 1 when
// any tick failed; otherwise 0.
int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop);

}  // namespace kelmar::ui
