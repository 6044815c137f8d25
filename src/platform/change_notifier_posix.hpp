#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/change_notifier.hpp"

namespace kelmar::platform {

// One inotify instance, opened at the first watch, whose events are sorted out to the
// subscribers of each watched folder. Several subscribers of one folder share the
// system's watch, which tells the union of what they asked for; each is handed only
// the kinds of change it asked for.
class ChangeNotifier {
  public:
    struct Event {
        std::uint32_t mask = 0;
        std::string name;
    };
    // What a subscriber was told since it last asked.
    struct Told {
        std::vector<Event> events;
        bool lost = false;   // the queue overflowed, or the channel failed: changes went untold
        bool ended = false;  // the folder's watch was removed (the folder went)
    };

    ChangeNotifier() = default;
    ChangeNotifier(const ChangeNotifier&) = delete;
    ChangeNotifier& operator=(const ChangeNotifier&) = delete;
    ~ChangeNotifier();

    // The subscriber's number, or -1 when the folder cannot be watched.
    int subscribe(const std::string& folder, std::uint32_t mask);
    void unsubscribe(int subscriber);
    Told take(int subscriber);

  private:
    struct Subscriber {
        int watch = -1;
        std::uint32_t mask = 0;
        Told told;
    };

    void drain();
    void loseAll();

    int fd_ = -1;
    bool failed_ = false;
    int next_ = 0;
    std::map<int, Subscriber> subscribers_;
};

// A subscription held for as long as the object lives, keeping the channel open.
class Subscription {
  public:
    Subscription(std::shared_ptr<ChangeNotifier> notifier, int subscriber)
        : notifier_(std::move(notifier)), subscriber_(subscriber) {}
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { notifier_->unsubscribe(subscriber_); }

    ChangeNotifier::Told take() { return notifier_->take(subscriber_); }

  private:
    std::shared_ptr<ChangeNotifier> notifier_;
    int subscriber_;
};

// Subscribes to the folder's changes through the shared channel, or through one of its
// own when none is given; nothing when the folder cannot be watched.
std::unique_ptr<Subscription> subscribeToFolder(std::shared_ptr<ChangeNotifier> notifier,
                                                const std::string& folder, std::uint32_t mask);

}  // namespace kelmar::platform
