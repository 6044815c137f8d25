#include "platform/instance_lock.hpp"

#include <charconv>
#include <string>
#include <utility>

#include "platform/posix_io.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#endif

namespace kelmar::platform {

#ifndef _WIN32
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
#else
namespace {

// Windows byte-range locks are mandatory: a locked byte cannot be read by anyone else.
// The lock therefore sits far past the process id at the start of the file, which a
// second process must still be able to read to say who holds it.
constexpr DWORD kLockedOffsetHigh = 1;

long readHolder(HANDLE file) {
    char digits[32] = {};
    OVERLAPPED at{};
    DWORD n = 0;
    long holder = -1;
    if (ReadFile(file, digits, sizeof digits - 1, &n, &at) && n > 0) {
        std::from_chars(digits, digits + n, holder);
    }
    return holder;
}

}  // namespace

InstanceLock::Outcome InstanceLock::acquire(const std::filesystem::path& lockFile) {
    Outcome outcome;
    const HANDLE file = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        outcome.reason = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return outcome;
    }
    OVERLAPPED range{};
    range.OffsetHigh = kLockedOffsetHigh;
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        const auto error = GetLastError();
        outcome.reason = std::error_code(static_cast<int>(error), std::system_category());
        outcome.holder = error == ERROR_LOCK_VIOLATION ? readHolder(file) : 0;
        CloseHandle(file);
        return outcome;
    }
    const auto pid = std::to_string(io::processId()) + "\n";
    OVERLAPPED start{};
    DWORD written = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, &start);
    // The descriptor owns the handle from here: closing it closes the handle, which
    // drops the lock.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), 0);
    if (fd < 0) {
        CloseHandle(file);
        outcome.reason = std::make_error_code(std::errc::too_many_files_open);
        return outcome;
    }
    outcome.lock = InstanceLock(fd);
    return outcome;
}
#endif

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        release();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    release();
}

void InstanceLock::release() noexcept {
    if (descriptor_ >= 0) {
        // Closing drops the lock; the file stays, so a waiting process never races its
        // removal.
        io::closeDescriptor(descriptor_);
        descriptor_ = -1;
    }
}

}  // namespace kelmar::platform
