#pragma once

#include <chrono>
#include <optional>

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
// While it lives, those signals are blocked and taken only
// while waiting, so a tick is never cut in half.
class SignalStopRequest final : public StopRequest {
  public:
    SignalStopRequest();
    ~SignalStopRequest() override;
    SignalStopRequest(const SignalStopRequest&) = delete;
    SignalStopRequest& operator=(const SignalStopRequest&) = delete;

    bool waitFor(std::chrono::milliseconds time) override;
};

struct HeadlessOptions {
    std::optional<long long> ticks;  // exactly this many ticks, back to back
    std::chrono::milliseconds interval{1000};
};

// Runs ticks until told to stop (or the given number of them). Every error is shown
// and the next tick starts fresh. Returns the exit status: with a tick count, 1 when
// any tick failed; otherwise 0.
int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop);

}  // namespace kelmar::ui
