#include <pthread.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/stop_signals.hpp"

namespace kelmar::platform {
namespace {

// Wakes the watcher when the object goes; never sent from outside on purpose, and
// ignored when it is.
constexpr int kWakeSignal = SIGUSR2;

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);  // the terminal closed: stop as cleanly as on SIGTERM
    sigaddset(&set, kWakeSignal);
    return set;
}

void say(std::string_view text) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace

struct StopSignals::State {
    void watch();

    std::mutex mutex;
    std::condition_variable stopped;
    int signals = 0;
    bool waiting = false;
    bool closing = false;
    std::thread watcher;
};

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
    // Blocked before the watcher starts, so it and this thread inherit the mask.
    const auto set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    state_->watcher = std::thread([state = state_.get()] { state->watch(); });
}

StopSignals::~StopSignals() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->closing = true;
    }
    pthread_kill(state_->watcher.native_handle(), kWakeSignal);
    state_->watcher.join();
    // A stop signal that came last stays pending and is discarded with the process; the
    // mask is left as it is so it cannot end the process on the way out.
}

void StopSignals::State::watch() {
    const auto set = watchedSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        std::unique_lock lock(mutex);
        if (closing) {
            return;
        }
        if (signal == kWakeSignal) {
            continue;
        }
        if (++signals >= 2) {
            say("kelmar-sim: stopped at once\n");
            std::_Exit(130);
        }
        if (!waiting) {
            say("kelmar-sim: finishing the current request before stopping (send the signal "
                "again to stop at once)\n");
        }
        lock.unlock();
        stopped.notify_all();
    }
}

bool StopSignals::waitFor(std::chrono::milliseconds time) {
    std::unique_lock lock(state_->mutex);
    if (time <= std::chrono::milliseconds::zero()) {
        return state_->signals > 0;  // no pause (--interval 0): not even one wait call
    }
    state_->waiting = true;
    const bool stop = state_->stopped.wait_for(lock, time, [this] { return state_->signals > 0; });
    state_->waiting = false;
    return stop;
}

void ignoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace kelmar::platform
