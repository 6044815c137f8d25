#include "headless/headless_runner.hpp"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include "engine/request_error.hpp"
#include "platform/error.hpp"

namespace kelmar::ui {
namespace {

// Counts the requests answered on their way to the real observer.
class CountingObserver final : public engine::TickObserver {
  public:
    explicit CountingObserver(engine::TickObserver& next) : next_(next) {}
    void requestHandled(const engine::DispatchRecord& record) override {
        ++handled_;
        next_.requestHandled(record);
    }
    void fileNotHandled(std::string_view message) override { next_.fileNotHandled(message); }
    long long handled() const { return handled_; }

  private:
    engine::TickObserver& next_;
    long long handled_ = 0;
};

// How one tick ended: nothing when it succeeded, else what failed (the request's name,
// or the message of an error outside any request).
using TickFailure = std::optional<std::string>;

TickFailure runOneTick(engine::PollingTick& tick, engine::TickObserver& observer,
                       MessagePresenter& presenter) {
    try {
        tick.run(&observer);
        return std::nullopt;
    } catch (const engine::RequestError& error) {
        presenter.showRequestError(error.request(), engine::withRequestName(error));
        return error.request();
    } catch (const std::exception& error) {
        presenter.showError(error.what());
        return std::string(error.what());
    }
}

int drain(engine::PollingTick& tick, engine::TickObserver& observer, MessagePresenter& presenter,
          const HeadlessOptions& options, StopRequest& stop) {
    CountingObserver counting(observer);
    // A folder whose request failed turns to the one behind it at its next tick, but
    // starts from its first again after an answer: with n requests that keep failing,
    // n + 1 ticks in a row without progress have tried every one of them.
    std::set<std::string> failures;
    std::size_t ticksWithoutProgress = 0;
    bool allSucceeded = true;
    for (;;) {
        if (options.beforeEachTick) {
            options.beforeEachTick();
        }
        const auto handledBefore = counting.handled();
        const auto failure = runOneTick(tick, counting, presenter);
        allSucceeded = allSucceeded && !failure;
        const bool answered = counting.handled() != handledBefore;
        const bool newFailure = failure && failures.insert(*failure).second;
        ticksWithoutProgress = answered || newFailure ? 0 : ticksWithoutProgress + 1;
        const bool done = !failure ? !answered : ticksWithoutProgress > failures.size();
        if (done || stop.waitFor(std::chrono::milliseconds(0))) {
            return allSucceeded ? 0 : 1;
        }
    }
}

}  // namespace

int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop) {
    if (options.drain) {
        return drain(tick, observer, presenter, options, stop);
    }
    if (options.ticks) {
        bool allSucceeded = true;
        for (long long i = 0; i < *options.ticks; ++i) {
            if (options.beforeEachTick) {
                options.beforeEachTick();
            }
            allSucceeded = !runOneTick(tick, observer, presenter) && allSucceeded;
            if (stop.waitFor(std::chrono::milliseconds(0))) {
                break;
            }
        }
        return allSucceeded ? 0 : 1;
    }
    for (;;) {
        if (options.beforeEachTick) {
            options.beforeEachTick();
        }
        const bool succeeded = !runOneTick(tick, observer, presenter);
        const auto pause =
            succeeded ? options.interval : std::max(options.interval, kPauseAfterFailure);
        if (stop.waitFor(pause)) {
            return 0;
        }
    }
}

}  // namespace kelmar::ui
