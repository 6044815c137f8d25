#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <optional>
#include <system_error>

#include "platform/file_access.hpp"

namespace kelmar::platform::io {
namespace {

#if defined(__linux__)
// Taking a lease makes this process the lease holder: a writer that opens the file before
// the lease is dropped makes the kernel signal the holder, with SIGIO unless told
// otherwise, and SIGIO's default action ends the process. Such a signal is of no use
// here (the lease is dropped at once anyway), so it is ignored, unless someone else
// already installed a handler for it.
void ignoreLeaseBreakSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGIO, &ignore, nullptr);
        }
    });
}
#endif

FileIdentity identityOf(const struct stat& status) {
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                          static_cast<std::int64_t>(status.st_mtim.tv_nsec);
    return identity;
}

// No write bit for anyone in a mode.
bool noWriteBit(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The folder a path text names its file in; nothing for a bare name.
std::optional<NativeText> folderOf(const NativeText& path) {
    const auto slash = path.rfind('/');
    if (slash == NativeText::npos) {
        return std::nullopt;
    }
    return slash == 0 ? NativeText("/") : path.substr(0, slash);
}

}  // namespace

int openForReading(const NativeText& path, Links links, std::error_code& reason) {
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::Refuse) {
        flags |= O_NOFOLLOW;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A final link refused by O_NOFOLLOW shows as ELOOP.
        reason = std::error_code(errno, std::generic_category());
    }
    return fd;
}

void clearNonBlocking(int fd) {
    // Of the flags F_SETFL sets, openForReading only ever sets O_NONBLOCK: all of them
    // cleared is that one cleared, without asking for the rest first.
    ::fcntl(fd, F_SETFL, 0);
}

// A read lease can only be taken while no one has the file open for writing; the lease is
// dropped again at once, so none outlives the check. Where leases are not permitted
// (another owner without CAP_LEASE, some file systems), the check says nothing and the
// file is read.
bool isOpenForWritingElsewhere([[maybe_unused]] int fd) {
#if defined(__linux__)
    ignoreLeaseBreakSignal();
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN || errno == EBUSY;
#else
    return false;
#endif
}

std::optional<FileIdentity> identifyOpenRegularFile(int fd, std::error_code& reason) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        reason = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        reason = std::make_error_code(S_ISDIR(status.st_mode) ? std::errc::is_a_directory
                                                              : std::errc::invalid_argument);
        return std::nullopt;
    }
    return identityOf(status);
}

std::optional<FileIdentity> identifyPath(const NativeText& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || (status.st_mode & S_IFMT) != S_IFREG) {
        return std::nullopt;
    }
    return identityOf(status);
}

int createExclusive(const NativeText& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int openForOverwriting(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}

bool truncateTo(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

long long readSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const auto n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

long long writeSome(int fd, const char* data, std::size_t size) {
    for (;;) {
        const auto n = ::write(fd, data, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

bool seekTo(int fd, std::uint64_t offset) {
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

int closeDescriptor(int fd) {
    return ::close(fd);
}

long processId() {
    return static_cast<long>(::getpid());
}

bool hasEnded(long processId) {
    return ::kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH;
}

// A destination the operator has made read-only, or one that is not a file. Checked by
// the mode bits rather than by trying, because root may write anywhere and the tool
// must still honour a folder or file the operator has locked.
bool isUnwritableDestination(const NativeText& text) {
    // Looked at with plain stat calls on the path's own text: this runs for every file
    // written, and a path object per step would split the whole path each time.
    // A bare name is in the working folder, which is not looked at (it is where the
    // program was started from, not a folder of the exchange).
    if (const auto folderText = folderOf(text)) {
        struct stat folder {};
        if (::stat(folderText->c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
            noWriteBit(folder.st_mode)) {
            return true;
        }
    }
    struct stat status {};
    if (::stat(text.c_str(), &status) != 0) {
        return false;  // nothing there (or nothing to be seen): created anew
    }
    return !S_ISREG(status.st_mode) || noWriteBit(status.st_mode);
}

bool folderTakesFiles(const NativeText& folder) {
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           !noWriteBit(status.st_mode) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool isFolder(const NativeText& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool canRemove(const NativeText& file) {
    // A bare name has no folder of its own to be judged by, and is not removed.
    const auto folder = folderOf(file);
    return folder && folderTakesFiles(*folder);
}

bool publish(const NativeText& temporary, const NativeText& destination) {
    return ::rename(temporary.c_str(), destination.c_str()) == 0;
}

bool removeName(const NativeText& path) {
    return ::unlink(path.c_str()) == 0;  // an unlinked name is gone at once
}

void deleteRegularFile(const NativeText& path) {
    ::unlink(path.c_str());  // unlink never removes a directory
}

}  // namespace kelmar::platform::io
