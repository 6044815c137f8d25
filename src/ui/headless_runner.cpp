#include "ui/headless_runner.hpp"

#include <exception>
#include <thread>

#include "platform/error.hpp"

#ifndef _WIN32
#include <csignal>
#include <ctime>
#endif

namespace kelmar::ui {
namespace {

// One tick; true when it ended without an error.
bool runOneTick(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter) {
    try {
        tick.run(&observer);
        return true;
    } catch (const std::exception& error) {
        presenter.showError(error.what());
        return false;
    }
}

#ifndef _WIN32
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
#endif

}  // namespace

#ifndef _WIN32
SignalStopRequest::SignalStopRequest() {
    const auto set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalStopRequest::~SignalStopRequest() {
    const auto set = stopSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

bool SignalStopRequest::waitFor(std::chrono::milliseconds time) {
    const auto set = stopSignals();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time);
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(seconds.count());
    timeout.tv_nsec = static_cast<long>(std::chrono::nanoseconds(time - seconds).count());
    for (;;) {
        const int signal = sigtimedwait(&set, nullptr, &timeout);
        if (signal > 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;  // timed out
        }
    }
}
#endif  // the Windows counterpart is in signal_stop_request_win32.cpp

int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop) {
    if (options.ticks) {
        bool allSucceeded = true;
        for (long long i = 0; i < *options.ticks; ++i) {
            allSucceeded = runOneTick(tick, observer, presenter) && allSucceeded;
        }
        return allSucceeded ? 0 : 1;
    }
    do {
        runOneTick(tick, observer, presenter);
    } while (!stop.waitFor(options.interval));
    return 0;
}

}  // namespace kelmar::ui
