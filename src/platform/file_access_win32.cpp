#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/file_access.hpp"
#include "platform/win32_files.hpp"

namespace kelmar::platform::io {
namespace {

// The C runtime's calls take an unsigned count; larger pieces are split.
constexpr std::size_t kLargestPiece = 0x40000000;

unsigned piece(std::size_t size) {
    return static_cast<unsigned>(size > kLargestPiece ? kLargestPiece : size);
}

}  // namespace

int openForReading(const NativeText& path, Links, std::error_code& reason) {
    // Links are judged by the folder listing on Windows, which passes reparse points over.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        reason = error ? error : std::make_error_code(std::errc::invalid_argument);
        return -1;
    }
    const int fd = win32::openForReadingDenyingWriters(path);
    if (fd < 0) {
        reason = std::error_code(errno, std::generic_category());
    }
    return fd;
}

void clearNonBlocking(int) {}

// A writer still holding the file makes openForReading fail with EBUSY instead.
bool isOpenForWritingElsewhere(int) {
    return false;
}

// The C runtime's stat has no file index on Windows and keeps whole seconds only, which
// would take a file renamed over the request within the same second for the one read.
std::optional<FileIdentity> identifyOpenRegularFile(int fd, std::error_code& reason) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        reason = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    if ((status.st_mode & S_IFMT) != S_IFREG) {
        reason = std::make_error_code((status.st_mode & S_IFMT) == S_IFDIR
                                          ? std::errc::is_a_directory
                                          : std::errc::invalid_argument);
        return std::nullopt;
    }
    auto identity = win32::identifyOpenFile(fd);
    if (!identity) {
        reason = std::make_error_code(std::errc::io_error);
    }
    return identity;
}

std::optional<FileIdentity> identifyPath(const NativeText& path) {
    const int fd = win32::openForReadingDenyingWriters(path);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<FileIdentity> identity;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && (status.st_mode & S_IFMT) == S_IFREG) {
        identity = win32::identifyOpenFile(fd);
    }
    ::_close(fd);
    return identity;
}

int createExclusive(const NativeText& path) {
    return win32::createHidden(path);
}

int openForOverwriting(const std::filesystem::path& path) {
    return ::_wopen(path.c_str(), _O_WRONLY | _O_BINARY);
}

bool truncateTo(int fd, std::uint64_t size) {
    return ::_chsize_s(fd, static_cast<long long>(size)) == 0;
}

long long readSome(int fd, char* buffer, std::size_t size) {
    return ::_read(fd, buffer, piece(size));
}

long long writeSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, piece(size));
}

bool seekTo(int fd, std::uint64_t offset) {
    return ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) >= 0;
}

int closeDescriptor(int fd) {
    return ::_close(fd);
}

long processId() {
    return static_cast<long>(::_getpid());
}

bool hasEnded(long processId) {
    return !win32::isProcessRunning(processId);
}

// Windows ignores the read-only attribute of a folder when files are created in it, so
// the folder is judged by creating the temporary; the destination by trying to open it
// for replacing, which also waits briefly for a reader still holding the old file.
bool isUnwritableDestination(const NativeText& destination) {
    return !win32::isReplaceable(destination);
}

// Windows ignores the read-only attribute of folders when files are made in them.
bool folderTakesFiles(const NativeText& folder) {
    return isFolder(folder);
}

bool isFolder(const NativeText& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool canRemove(const NativeText& file) {
    return !win32::isReadOnly(file);
}

bool publish(const NativeText& temporary, const NativeText& destination) {
    return win32::replaceWith(temporary, destination);
}

bool removeName(const NativeText& path) {
    // A file another program still holds open stays listed until that program closes it.
    std::error_code error;
    return win32::deleteFile(path) && std::filesystem::symlink_status(path, error).type() ==
                                          std::filesystem::file_type::not_found;
}

void deleteRegularFile(const NativeText& path) {
    win32::deleteFile(path);  // DeleteFileW never removes a directory
}

}  // namespace kelmar::platform::io
