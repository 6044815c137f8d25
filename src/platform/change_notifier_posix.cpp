#include "platform/change_notifier_posix.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace kelmar::platform {
namespace {

// Events kept for a subscriber that has not asked for them; beyond that they count as lost,
// as they would in the system's own queue.
constexpr std::size_t kMostKeptEvents = 16384;

}  // namespace

std::shared_ptr<ChangeNotifier> openChangeNotifier() {
    return std::make_shared<ChangeNotifier>();
}

ChangeNotifier::~ChangeNotifier() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int ChangeNotifier::subscribe(const std::string& folder, std::uint32_t mask) {
    if (fd_ < 0 && !failed_) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        failed_ = fd_ < 0;
    }
    if (failed_) {
        return -1;
    }
    // Events already queued belong to the subscribers there before this one.
    drain();
    const int watch = ::inotify_add_watch(fd_, folder.c_str(), mask | IN_MASK_ADD | IN_ONLYDIR);
    if (watch < 0) {
        return -1;
    }
    const int subscriber = next_++;
    subscribers_[subscriber] = Subscriber{watch, mask, {}};
    return subscriber;
}

void ChangeNotifier::unsubscribe(int subscriber) {
    const auto found = subscribers_.find(subscriber);
    if (found == subscribers_.end()) {
        return;
    }
    const int watch = found->second.watch;
    const bool ended = found->second.told.ended;
    subscribers_.erase(found);
    for (const auto& [number, other] : subscribers_) {
        if (other.watch == watch) {
            return;  // still wanted by another subscriber
        }
    }
    // Removing a watch retires it in the background; only ending the channel waits.
    if (!ended && fd_ >= 0) {
        ::inotify_rm_watch(fd_, watch);
    }
}

ChangeNotifier::Told ChangeNotifier::take(int subscriber) {
    drain();
    const auto found = subscribers_.find(subscriber);
    if (found == subscribers_.end()) {
        return Told{{}, true, true};
    }
    auto told = std::exchange(found->second.told, Told{});
    // An end is for good: the watch is gone.
    found->second.told.ended = told.ended;
    return told;
}

void ChangeNotifier::loseAll() {
    for (auto& [number, each] : subscribers_) {
        each.told.events.clear();
        each.told.lost = true;
    }
}

void ChangeNotifier::drain() {
    if (fd_ < 0) {
        return;
    }
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const auto got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                loseAll();  // the channel cannot be read: whatever it held is lost
            }
            return;
        }
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += sizeof(inotify_event) + event->len;
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                loseAll();
                continue;
            }
            for (auto& [number, each] : subscribers_) {
                if (each.watch != event->wd) {
                    continue;
                }
                if ((event->mask & IN_IGNORED) != 0) {
                    each.told.ended = true;
                } else if ((event->mask & each.mask) == 0 || each.told.lost) {
                    continue;
                } else if (each.told.events.size() >= kMostKeptEvents) {
                    each.told.events.clear();
                    each.told.lost = true;
                } else {
                    each.told.events.push_back(
                        {event->mask, event->len != 0 ? std::string(event->name) : std::string()});
                }
            }
        }
        // A read that left room for the longest event emptied the queue: asking again
        // would only be told so (an event arriving since is taken at the next drain).
        if (sizeof buffer - static_cast<std::size_t>(got) >= sizeof(inotify_event) + NAME_MAX + 1) {
            return;
        }
    }
}

std::unique_ptr<Subscription> subscribeToFolder(std::shared_ptr<ChangeNotifier> notifier,
                                                const std::string& folder, std::uint32_t mask) {
    if (!notifier) {
        notifier = openChangeNotifier();
    }
    const int subscriber = notifier->subscribe(folder, mask);
    if (subscriber < 0) {
        return nullptr;
    }
    return std::make_unique<Subscription>(std::move(notifier), subscriber);
}

}  // namespace kelmar::platform
