#pragma once

namespace kelmar::platform {

// A local calendar date and time of day with millisecond resolution.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    // How far local time is ahead of UTC at that moment (-180 for Brasília).
    int utcOffsetMinutes = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Source of the current local time. Injected everywhere a date is needed, so that tests
// and benchmarks run at a time of their choosing.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
};

// The machine's local clock.
class SystemClock final : public Clock {
  public:
    LocalDateTime now() const override;
};

// A clock that shows whatever time it was last set to.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(LocalDateTime time) : time_(time) {}
    LocalDateTime now() const override { return time_; }
    void set(LocalDateTime time) { time_ = time; }

  private:
    LocalDateTime time_;
};

}  // namespace kelmar::platform
