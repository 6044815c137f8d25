#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
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

}  // namespace

InstanceLock::Outcome InstanceLock::acquire(const std::filesystem::path& lockFile) {
    Outcome outcome;
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
    const auto pid = std::to_string(io::processId()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const auto written = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
    outcome.lock = InstanceLock(fd);
    return outcome;
}
}  // namespace kelmar::platform
