#include "platform/file_times.hpp"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/native_path.hpp"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32_files.hpp"
#endif

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

#ifdef _WIN32
namespace {

// FILETIME counts 100-nanosecond steps from 1601-01-01; the library's file clock on
// this runtime keeps whole seconds only, so the times are read and set through the
// system directly to keep their milliseconds.
constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kMillisecondsFrom1601To1970 = 11'644'473'600'000;

std::int64_t toMilliseconds(const FILETIME& time) {
    const auto ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) |
                       static_cast<std::int64_t>(time.dwLowDateTime);
    return ticks / kTicksPerMillisecond - kMillisecondsFrom1601To1970;
}

FILETIME toFileTime(std::int64_t milliseconds) {
    const auto ticks = static_cast<std::uint64_t>((milliseconds + kMillisecondsFrom1601To1970) *
                                                  kTicksPerMillisecond);
    FILETIME time{};
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

}  // namespace

std::optional<std::int64_t> lastWriteMilliseconds(std::string_view pathText) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(win32::widePath(pathText).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return toMilliseconds(data.ftLastWriteTime);
}

bool setLastWriteMilliseconds(std::string_view pathText, std::int64_t milliseconds) {
    const HANDLE file = CreateFileW(win32::widePath(pathText).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const auto time = toFileTime(milliseconds);
    const bool set = SetFileTime(file, nullptr, nullptr, &time) != 0;
    CloseHandle(file);
    return set;
}
#else
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

#endif

}  // namespace kelmar::platform
