#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/file_identity.hpp"
#include "platform/native_path.hpp"

// The system calls the platform's files are built on, on C runtime descriptors, which
// both POSIX and Windows provide; file_access_posix.cpp and file_access_win32.cpp hold
// the two halves. Failing calls return -1 (or false) and leave errno set.
namespace kelmar::platform::io {

using platform::NativeText;

// Whether a final link in a path may be followed when it is opened.
enum class Links { Follow, Refuse };

// Opens a regular file for reading. On POSIX without waiting (a FIFO would otherwise
// block until a writer came) and, when asked, without following a final link; on
// Windows sharing it with readers only, so no one starts writing it while it is read.
// -1 with the reason set when it cannot be opened.
int openForReading(const NativeText& path, Links links, std::error_code& reason);

// Reads of a regular file never wait; the flag openForReading set is cleared all the same,
// as some file systems (FUSE ones among them) honour it.
void clearNonBlocking(int fd);

// True when another process holds the open file open for writing (a request still being
// written). Where the system cannot tell, false.
bool isOpenForWritingElsewhere(int fd);

// The identity of the open file when it is a regular one; otherwise nothing, with the reason
// set (std::errc::is_a_directory for a folder).
std::optional<FileIdentity> identifyOpenRegularFile(int fd, std::error_code& reason);

// The identity of the regular file at a path (a link is not followed on POSIX), or
// nothing when there is none.
std::optional<FileIdentity> identifyPath(const NativeText& path);

// Creates a new file for writing (hidden on Windows); errno EEXIST when the name is taken.
int createExclusive(const NativeText& path);

// Opens an existing file for writing from its start, keeping its content until it is
// written over.
int openForOverwriting(const std::filesystem::path& path);

// Cuts an open file to the given size.
bool truncateTo(int fd, std::uint64_t size);

long long readSome(int fd, char* buffer, std::size_t size);
long long writeSome(int fd, const char* data, std::size_t size);
bool seekTo(int fd, std::uint64_t offset);
int closeDescriptor(int fd);

long processId();

// True when no process with this id runs any more.
bool hasEnded(long processId);

// True when the destination must not be replaced: the operator made it (or its folder)
// read-only, it is not a file, or (on Windows) a reader holds it and does not let go.
bool isUnwritableDestination(const NativeText& destination);

// Moves a written temporary over the destination (making it visible on Windows).
bool publish(const NativeText& temporary, const NativeText& destination);

// True when the folder exists and new files can be made in it. On POSIX also by its
// mode bits, which root would otherwise ignore: a folder the operator closed stays closed.
bool folderTakesFiles(const NativeText& folder);

// True when the path names a folder (a link to one included).
bool isFolder(const NativeText& path);

// True when the file could be deleted now: its folder takes changes, and on Windows the
// file is not read-only.
bool canRemove(const NativeText& file);

// No write bit for anyone: the operator made it read-only (on Windows, the read-only
// attribute).
inline bool hasNoWriteBit(const std::filesystem::file_status& status) {
    using std::filesystem::perms;
    return (status.permissions() &
            (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

// Deletes a file, never a directory; failures are ignored.
void deleteRegularFile(const NativeText& path);

// Removes the file's name; true once the name is gone from its folder.
bool removeName(const NativeText& path);

}  // namespace kelmar::platform::io
