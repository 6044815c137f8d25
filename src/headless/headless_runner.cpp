#include "headless/headless_runner.hpp"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <thread>

#include "engine/request_error.hpp"
#include "platform/error.hpp"

namespace kelmar::ui {
namespace {

// One tick; true when it ended without an error.
bool runOneTick(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter) {
    try {
        tick.run(&observer);
        return true;
    } catch (const engine::RequestError& error) {
        presenter.showError(engine::withRequestName(error));
        return false;
    } catch (const std::exception& error) {
        presenter.showError(error.what());
        return false;
    }
}

}  // namespace

int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop) {
    if (options.ticks) {
        bool allSucceeded = true;
        for (long long i = 0; i < *options.ticks; ++i) {
            if (options.beforeEachTick) {
                options.beforeEachTick();
            }
            allSucceeded = runOneTick(tick, observer, presenter) && allSucceeded;
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
        const bool succeeded = runOneTick(tick, observer, presenter);
        const auto pause =
            succeeded ? options.interval : std::max(options.interval, kPauseAfterFailure);
        if (stop.waitFor(pause)) {
            return 0;
        }
    }
}

}  // namespace kelmar::ui
