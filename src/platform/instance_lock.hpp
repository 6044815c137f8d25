#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace kelmar::platform {

// An exclusive advisory lock on a small lock file, held while the object lives. The
// kernel drops it when the process ends in any way, so a crash never leaves a stale
// lock behind. The holder writes its process id into the file, so a second process can
// say who holds it. A lock file that someone deletes or replaces (its folder made anew,
// say) no longer keeps anyone out: stillHeld() tells. On Windows the file cannot be
// deleted and its folder cannot be renamed or deleted while the lock is held.
class InstanceLock {
  public:
    struct Outcome;

    // Takes the lock on the file (created when missing; a link there is refused).
    static Outcome acquire(const std::filesystem::path& lockFile);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // True while the lock file at its path is still the file this lock holds.
    bool stillHeld() const;

  private:
    InstanceLock(int descriptor, std::filesystem::path file, int folderDescriptor = -1)
        : descriptor_(descriptor), folderDescriptor_(folderDescriptor), file_(std::move(file)) {}
    // Removes the lock file when it is still this lock's, then lets the lock go.
    void release() noexcept;

    int descriptor_ = -1;
    int folderDescriptor_ = -1;  // Windows: the folder held open against renaming
    std::filesystem::path file_;
    // POSIX: the locked file's device and inode, which stay the same while it is open, so
    // only the path is looked at again to tell whether it still names the file.
    std::uint64_t heldDevice_ = 0;
    std::uint64_t heldInode_ = 0;
};

struct InstanceLock::Outcome {
    std::optional<InstanceLock> lock;  // set when taken
    long holder = 0;                   // the holder's process id when another holds it
    std::error_code reason;            // why the lock file could not be opened
    bool heldByAnother() const { return !lock && holder != 0; }
};

}  // namespace kelmar::platform
