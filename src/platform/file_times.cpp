#include "platform/file_times.hpp"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/native_path.hpp"

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

std::optional<std::int64_t> lastWriteMilliseconds(std::string_view pathText) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(toNativePath(pathText), error);
    if (error) {
        return std::nullopt;
    }
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
}

bool setLastWriteMilliseconds(std::string_view pathText, std::int64_t milliseconds) {
    const std::chrono::sys_time<std::chrono::milliseconds> system{
        std::chrono::milliseconds(milliseconds)};
    std::error_code error;
    std::filesystem::last_write_time(
        toNativePath(pathText),
        std::chrono::file_clock::from_sys(
            std::chrono::time_point_cast<std::chrono::file_clock::duration>(system)),
        error);
    return !error;
}

}  // namespace kelmar::platform
