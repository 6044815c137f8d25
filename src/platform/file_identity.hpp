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

// The identity of the file a path finally names, symbolic links followed; nothing when
// that is no regular file.
std::optional<FileIdentity> identifyFileFollowingLinks(std::string_view pathText);

// True while a file changed so lately that another change of the same size could still
// leave its identity as it is (file systems keep modification times in coarse steps):
// what was read of such a version is checked again rather than trusted.
bool changedTooLately(const FileIdentity& identity);

// Deletes the file only while it is still the very version given; a file that was
// replaced or rewritten since is left alone. True when this call removed it; failures
// are otherwise ignored, as for deleteFile.
bool deleteFileIfUnchanged(std::string_view pathText, const FileIdentity& expected);

}  // namespace kelmar::platform
