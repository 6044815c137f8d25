#include "ui/headless_runner.hpp"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <thread>

#include "engine/request_error.hpp"
#include "platform/error.hpp"

#ifndef _WIN32
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#endif

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
namespace {

// Wakes the watcher when the runner closes; never sent from outside on purpose, and
// ignored when it is.
constexpr int kWakeSignal = SIGUSR2;

sigset_t watchedSignals() {
    auto set = stopSignals();
    sigaddset(&set, kWakeSignal);
    return set;
}

void say(std::string_view text) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace

SignalStopRequest::SignalStopRequest() {
    // Blocked before the watcher starts, so it and this thread inherit the mask.
    const auto set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this] { watch(); });
}

SignalStopRequest::~SignalStopRequest() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    pthread_kill(watcher_.native_handle(), kWakeSignal);
    watcher_.join();
    // A stop signal that came last stays pending and is discarded with the process; the
    // mask is left as it is so it cannot end the process on the way out.
}

void SignalStopRequest::watch() {
    const auto set = watchedSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        std::unique_lock lock(mutex_);
        if (closing_) {
            return;
        }
        if (signal == kWakeSignal) {
            continue;
        }
        if (++signals_ >= 2) {
            say("kelmar-sim: stopped at once\n");
            std::_Exit(130);
        }
        if (!waiting_) {
            say("kelmar-sim: finishing the current request before stopping (send the signal "
                "again to stop at once)\n");
        }
        lock.unlock();
        stopped_.notify_all();
    }
}

bool SignalStopRequest::waitFor(std::chrono::milliseconds time) {
    std::unique_lock lock(mutex_);
    waiting_ = true;
    const bool stop = stopped_.wait_for(lock, time, [this] { return signals_ > 0; });
    waiting_ = false;
    return stop;
}

void ignoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}
#else
void ignoreBrokenPipe() {}
#endif  // the Windows SignalStopRequest is in signal_stop_request_win32.cpp

int runHeadless(engine::PollingTick& tick, engine::TickObserver& observer,
                MessagePresenter& presenter, const HeadlessOptions& options, StopRequest& stop) {
    if (options.ticks) {
        bool allSucceeded = true;
        for (long long i = 0; i < *options.ticks; ++i) {
            if (options.beforeEachTick) {
                options.beforeEachTick();
            }
            allSucceeded = runOneTick(tick, observer, presenter) && allSucceeded;
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
