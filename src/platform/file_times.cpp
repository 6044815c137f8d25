#include "platform/file_times.hpp"

#include <ctime>

namespace kelmar::platform {

std::int64_t toEpochMilliseconds(const LocalDateTime& time) {
    std::tm local{};
    local.tm_year = time.year - 1900;
    local.tm_mon = time.month - 1;
    local.tm_mday = time.day;
    local.tm_hour = time.hour;
    local.tm_min = time.minute;
    local.tm_sec = time.second;
    local.tm_isdst = -1;  // let the time zone say whether summer time applies
    const auto seconds = static_cast<std::int64_t>(std::mktime(&local));
    return seconds * 1000 + time.millisecond;
}

}  // namespace kelmar::platform
