#pragma once

#include <optional>
#include <string>

#include "platform/error.hpp"
#include "platform/instance_lock.hpp"

namespace kelmar::engine {

// The exchange folder cannot be served by this simulator now: nothing is answered until
// it can. Serving a folder without holding its lock could let a second simulator hand out
// the same numbers.
class ServeRefusedError : public Error {
  public:
    using Error::Error;
};

// Another simulator already serves the exchange folder or uses the settings file. Two
// of them would each keep their own counters and hand out the same numbers twice.
class AlreadyServedError : public ServeRefusedError {
  public:
    using ServeRefusedError::ServeRefusedError;
};

// The locks that make this simulator the only one on its exchange folder and on its
// settings file. The folder lock follows the folder: when the operator names another
// one, the old lock is let go and the new folder is claimed.
class InstanceClaim {
  public:
    // Claims the settings file and the exchange folder named now, or makes sure the
    // claims made before still hold. Raises AlreadyServedError, touching nothing, when
    // another process holds either; ServeRefusedError when the folder exists but no lock
    // can be taken in it, or when the lock it held was lost (the folder or its lock file
    // deleted or replaced), in which case the next call claims it anew. A missing folder
    // is not claimed (there is nothing to serve) and is tried again on the next call, as
    // is a settings folder where no lock file can be made.
    void hold(const std::string& settingsPathText, const std::string& exchangeFolderText);

    // Whether the folder was claimed from a simulator that did not end normally (its
    // lock file was still there): only then can it have left a file half written. True
    // too while the folder is not claimed, when nothing can be told.
    bool folderMayHoldLeftovers() const { return !folderLock_ || lockFileLeftBehind_; }

  private:
    std::optional<platform::InstanceLock> settingsLock_;
    std::optional<platform::InstanceLock> folderLock_;
    std::string claimedFolder_;
    bool lockFileLeftBehind_ = false;
};

}  // namespace kelmar::engine
