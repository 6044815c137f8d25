#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/clock.hpp"

// Comparing the local time an injected clock shows with the time a file was last
// written, both as milliseconds since the epoch.
namespace kelmar::platform {

// The instant a local date and time stands for, in this machine's time zone.
std::int64_t toEpochMilliseconds(const LocalDateTime& time);

// When the file at a path text was last written, or nothing when it cannot be told.
std::optional<std::int64_t> lastWriteMilliseconds(std::string_view pathText);

// Sets when the file was last written; false when the system refuses.
bool setLastWriteMilliseconds(std::string_view pathText, std::int64_t milliseconds);

}  // namespace kelmar::platform
