#include "platform/instance_lock.hpp"

#include <utility>

#include "platform/file_access.hpp"

namespace kelmar::platform {

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
