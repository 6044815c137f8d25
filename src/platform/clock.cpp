#include "platform/clock.hpp"

#include <chrono>
#include <ctime>

namespace kelmar::platform {
namespace {

// The days from 1970-01-01 to a civil date of the proleptic Gregorian calendar.
long long daysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The local time's lead over UTC, from the broken-down local time of a moment: the same
// on every system, where only some libraries give it in the broken-down time itself.
int offsetMinutes(const std::tm& local, std::time_t moment) {
    const long long asIfUtc =
        daysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday) * 86400 +
        local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    return static_cast<int>((asIfUtc - static_cast<long long>(moment)) / 60);
}

}  // namespace

LocalDateTime SystemClock::now() const {
    const auto now = std::chrono::system_clock::now();
    const auto seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return LocalDateTime{local.tm_year + 1900,
                         local.tm_mon + 1,
                         local.tm_mday,
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec,
                         static_cast<int>(millis.count()),
                         offsetMinutes(local, seconds)};
}

}  // namespace kelmar::platform
