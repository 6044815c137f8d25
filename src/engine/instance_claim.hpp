#pragma once

#include <optional>
#include <string>

#include "platform/error.hpp"
#include "platform/instance_lock.hpp"

namespace kelmar::engine {

// Another simulator already serves the exchange folder or uses the settings file. Two
// of them would each keep their own counters and hand out the same numbers twice.
class AlreadyServedError : public Error {
  public:
    using Error::Error;
};

// The locks that make this simulator the only one on its exchange folder and on its
// settings file. The folder lock follows the folder: when the operator names another
// one, the old lock is let go and the new folder is claimed.
class InstanceClaim {
  public:
    // Claims the settings file (once) and the exchange folder named now. Raises
    // AlreadyServedError, touching nothing, when another process holds either. A folder
    // or settings folder where no lock file can be made (missing, say) is not claimed and
    // is tried again on the next call.
    void hold(const std::string& settingsPathText, const std::string& exchangeFolderText);

  private:
    std::optional<platform::InstanceLock> settingsLock_;
    std::optional<platform::InstanceLock> folderLock_;
    std::string claimedFolder_;
};

}  // namespace kelmar::engine
