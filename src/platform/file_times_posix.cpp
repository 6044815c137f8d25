#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/file_times.hpp"
#include "platform/native_path.hpp"

namespace kelmar::platform {

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
