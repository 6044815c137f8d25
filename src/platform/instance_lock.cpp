#include "platform/instance_lock.hpp"

#include <utility>

#include "platform/file_access.hpp"

namespace kelmar::platform {

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      folderDescriptor_(std::exchange(other.folderDescriptor_, -1)),
      file_(std::move(other.file_)),
      heldDevice_(other.heldDevice_),
      heldInode_(other.heldInode_) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        release();
        descriptor_ = std::exchange(other.descriptor_, -1);
        folderDescriptor_ = std::exchange(other.folderDescriptor_, -1);
        file_ = std::move(other.file_);
        heldDevice_ = other.heldDevice_;
        heldInode_ = other.heldInode_;
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    release();
}

}  // namespace kelmar::platform
