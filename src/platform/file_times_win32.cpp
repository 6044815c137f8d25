#include <windows.h>

#include "platform/file_times.hpp"
#include "platform/win32_files.hpp"

namespace kelmar::platform {

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
}  // namespace kelmar::platform
