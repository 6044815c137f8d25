#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelmar::platform {

// What tells one version of a file from another: a file renamed over it, or rewritten in
// place, differs in at least one of these.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the regular file at the path (links are not followed); nothing when
// there is none.
std::optional<FileIdentity> identifyFile(std::string_view pathText);

// Deletes the file only while it is still the very version given; a file that was
// replaced or rewritten since is left alone. Failures are ignored, as for deleteFile.
void deleteFileIfUnchanged(std::string_view pathText, const FileIdentity& expected);

}  // namespace kelmar::platform
