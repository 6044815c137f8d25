#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "engine/polling_tick.hpp"
#include "form/message_presenter.hpp"
#include "platform/stop_signals.hpp"

namespace kelmar::ui {

// Waits between ticks and says when the runner should stop.
class StopRequest {
  public:
    virtual ~StopRequest() = default;
    // Waits up to the given time; true as soon as a stop was asked for.
    virtual bool waitFor(std::chrono::milliseconds time) = 0;
};

// Stops on SIGINT, SIGTERM or SIGHUP (Ctrl+C, Ctrl+Break or closing the console on
// Windows), between two ticks: see platform::StopSignals.
class SignalStopRequest final : public StopRequest {
  public:
    bool waitFor(std::chrono::milliseconds time) override { return signals_.waitFor(time); }

  private:
    platform::StopSignals signals_;
};

// The least pause after a failed tick when running on: a request that fails after a
// counter advanced must not burn numbers as fast as the machine can go.
inline constexpr std::chrono::milliseconds kPauseAfterFailure{1000};

struct HeadlessOptions {
    std::optional<long long> ticks;  // exactly this many ticks, back to back
    // Ticks back to back until no request is left, or only requests that keep failing.
    bool drain = false;
    std::chrono::milliseconds interval{1000};
    std::function<void()> beforeEachTick;  // e.g. to warn about missing folders
};

// Runs ticks until told to stop, or the given number of them back to back (stopping
// early, between two ticks, when told to). Every error is shown and the next tick starts
// fresh; when running on, a failed tick holds the next one back for at least
// kPauseAfterFailure. Draining stops at the first tick that answers nothing new and
// fails only as an earlier tick of the drain did. Returns the exit status: with a tick
// count or draining, 1 when any tick that ran failed; otherwise 0.
int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop);

}  // namespace kelmar::ui
