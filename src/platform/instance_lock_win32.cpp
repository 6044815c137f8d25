#include <io.h>
#include <windows.h>

#include <charconv>
#include <string>

#include "platform/file_access.hpp"
#include "platform/instance_lock.hpp"

namespace kelmar::platform {

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
    // The folder held open without delete sharing cannot be renamed or deleted while the
    // lock is held, so no one can put another folder in its place.
    const HANDLE folder = CreateFileW(lockFile.parent_path().c_str(), FILE_LIST_DIRECTORY,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const int folderFd = folder == INVALID_HANDLE_VALUE
                             ? -1
                             : _open_osfhandle(reinterpret_cast<intptr_t>(folder), 0);
    if (folder != INVALID_HANDLE_VALUE && folderFd < 0) {
        CloseHandle(folder);
    }
    outcome.lock = InstanceLock(fd, lockFile, folderFd);
    return outcome;
}

bool InstanceLock::stillHeld() const {
    // Shared without delete, the file cannot be removed while it is held open here.
    return descriptor_ >= 0 && GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void InstanceLock::release() noexcept {
    if (descriptor_ < 0) {
        return;
    }
    io::closeDescriptor(descriptor_);
    descriptor_ = -1;
    if (folderDescriptor_ >= 0) {
        io::closeDescriptor(folderDescriptor_);
        folderDescriptor_ = -1;
    }
    // Fails, leaving the file, while another process has it open to wait for the lock.
    DeleteFileW(file_.c_str());
}

}  // namespace kelmar::platform
