#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string>

#include "platform/file_access.hpp"
#include "platform/instance_lock.hpp"

namespace kelmar::platform {

namespace {

// The process id the holder wrote, or -1 when the file holds none yet (it may be
// between taking the lock and writing it).
long readHolder(int fd) {
    char digits[32] = {};
    const auto n = ::pread(fd, digits, sizeof digits - 1, 0);
    long holder = -1;
    if (n > 0) {
        std::from_chars(digits, digits + n, holder);
    }
    return holder;
}

// True when the path (not followed when it is a link) names the file of this device and inode.
bool namesFile(const std::filesystem::path& path, std::uint64_t device, std::uint64_t inode) {
    struct stat atPath {};
    return ::lstat(path.c_str(), &atPath) == 0 &&
           static_cast<std::uint64_t>(atPath.st_dev) == device &&
           static_cast<std::uint64_t>(atPath.st_ino) == inode;
}

}  // namespace

InstanceLock::Outcome InstanceLock::acquire(const std::filesystem::path& lockFile) {
    Outcome outcome;
    // A holder removes the file when it lets go: a lock taken on a file removed in the
    // meantime keeps no one out, so it is taken again on the file now there.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd =
            ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
        if (fd < 0) {
            outcome.reason = std::error_code(errno, std::generic_category());
            return outcome;
        }
        // flock locks belong to the open file, so two opens conflict even inside one process.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            outcome.reason = std::error_code(errno, std::generic_category());
            outcome.holder = errno == EWOULDBLOCK ? readHolder(fd) : 0;
            ::close(fd);
            return outcome;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 ||
            !namesFile(lockFile, static_cast<std::uint64_t>(opened.st_dev),
                       static_cast<std::uint64_t>(opened.st_ino))) {
            ::close(fd);
            continue;
        }
        const auto pid = std::to_string(io::processId()) + "\n";
        if (::ftruncate(fd, 0) == 0) {
            [[maybe_unused]] const auto written = ::pwrite(fd, pid.data(), pid.size(), 0);
        }
        outcome.lock = InstanceLock(fd, lockFile);
        outcome.lock->heldDevice_ = static_cast<std::uint64_t>(opened.st_dev);
        outcome.lock->heldInode_ = static_cast<std::uint64_t>(opened.st_ino);
        return outcome;
    }
    outcome.reason = std::make_error_code(std::errc::resource_unavailable_try_again);
    return outcome;
}

bool InstanceLock::stillHeld() const {
    return descriptor_ >= 0 && namesFile(file_, heldDevice_, heldInode_);
}

void InstanceLock::release() noexcept {
    if (descriptor_ < 0) {
        return;
    }
    // Removed while still locked, so a process that opens the name afterwards makes a new
    // file; one that opened it before finds it gone once it holds the lock, and tries again.
    if (namesFile(file_, heldDevice_, heldInode_)) {
        ::unlink(file_.c_str());
    }
    ::close(descriptor_);
    descriptor_ = -1;
}
}  // namespace kelmar::platform
