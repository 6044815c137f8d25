#include "platform/input_file.hpp"

#include <csignal>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/native_path.hpp"
#include "platform/posix_io.hpp"

namespace kelmar::platform {
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

// A read lease can only be taken while no one has the file open for writing; the lease is
// dropped again at once, so none outlives the check. Where leases are not permitted
// (another owner without CAP_LEASE, some file systems), the check says nothing and the
// file is read.
bool isOpenForWritingElsewhere(int fd) {
    ignoreLeaseBreakSignal();
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN || errno == EBUSY;
}
#else
bool isOpenForWritingElsewhere(int) {
    return false;
}
#endif

#ifndef _WIN32
// Opens without following a final link when asked, and without waiting: opening a FIFO
// for reading would otherwise block until a writer came.
int openWithoutBlocking(const std::filesystem::path& path, LinkPolicy links) {
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == LinkPolicy::Refuse) {
        flags |= O_NOFOLLOW;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
#endif

#ifdef _WIN32
// The C runtime's stat has no file index on Windows and keeps whole seconds only, which
// would take a file renamed over the request within the same second for the one read.
std::optional<FileIdentity> identityOf(int fd, const struct stat&) {
    return win32::identifyOpenFile(fd);
}
#else
std::optional<FileIdentity> identityOf(int, const struct stat& status) {
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                          static_cast<std::int64_t>(status.st_mtim.tv_nsec);
    return identity;
}
#endif

}  // namespace

std::optional<InputFile> InputFile::open(std::string_view pathText, std::error_code& reason,
                                         LinkPolicy links) {
    reason.clear();
    if (isForbiddenFileName(fileNamePart(pathText))) {
        reason = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    const auto native = toNativePath(pathText);
#ifdef _WIN32
    (void)links;
    std::error_code error;
    if (!std::filesystem::is_regular_file(native, error)) {
        reason = error ? error : std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    const int fd = io::openForReading(native);
#else
    const int fd = openWithoutBlocking(native, links);
#endif
    if (fd < 0) {
        // A final link refused by O_NOFOLLOW shows as ELOOP.
        reason = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        reason = std::error_code(errno, std::generic_category());
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    if ((status.st_mode & S_IFMT) != S_IFREG) {
        reason = std::make_error_code((status.st_mode & S_IFMT) == S_IFDIR
                                          ? std::errc::is_a_directory
                                          : std::errc::invalid_argument);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    if (isOpenForWritingElsewhere(fd)) {
        reason = std::make_error_code(std::errc::device_or_resource_busy);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    const auto identity = identityOf(fd, status);
    if (!identity) {
        reason = std::make_error_code(std::errc::io_error);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
#ifndef _WIN32
    // Reads of a regular file never wait anyway; clear the flag all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
#endif
    return InputFile(fd, *identity);
}

InputFile::InputFile(InputFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), identity_(other.identity_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            io::closeDescriptor(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
        identity_ = other.identity_;
    }
    return *this;
}

InputFile::~InputFile() {
    if (descriptor_ >= 0) {
        io::closeDescriptor(descriptor_);
    }
}

std::size_t InputFile::read(char* buffer, std::size_t size) {
    const auto n = io::readSome(descriptor_, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool InputFile::seek(std::uint64_t offset) {
    return io::seekTo(descriptor_, offset);
}

std::optional<FileIdentity> identifyFile(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return std::nullopt;
    }
    const auto native = toNativePath(pathText);
    struct stat status {};
#ifdef _WIN32
    const int fd = io::openForReading(native);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<FileIdentity> identity;
    if (::fstat(fd, &status) == 0 && (status.st_mode & S_IFMT) == S_IFREG) {
        identity = identityOf(fd, status);
    }
    io::closeDescriptor(fd);
    return identity;
#else
    if (::lstat(native.c_str(), &status) != 0 || (status.st_mode & S_IFMT) != S_IFREG) {
        return std::nullopt;
    }
    return identityOf(-1, status);
#endif
}

void deleteFileIfUnchanged(std::string_view pathText, const FileIdentity& expected) {
    const auto current = identifyFile(pathText);
    if (!current || *current != expected) {
        return;  // replaced or rewritten since it was read: the new one waits its turn
    }
    std::error_code ignored;
    std::filesystem::remove(toNativePath(pathText), ignored);
}

}  // namespace kelmar::platform
