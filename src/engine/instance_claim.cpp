#include "engine/instance_claim.hpp"

#include <filesystem>
#include <system_error>

#include "engine/engine_messages.hpp"
#include "platform/atomic_file_writer.hpp"
#include "platform/file_system.hpp"
#include "platform/native_path.hpp"

namespace kelmar::engine {
namespace {

// A hidden name that no request search, stale-temporary sweep or listing of answers
// picks up.
constexpr const char* kFolderLockName = ".kelmar.lock";

}  // namespace

void InstanceClaim::hold(const std::string& settingsPathText,
                         const std::string& exchangeFolderText) {
    if (settingsLock_ && !settingsLock_->stillHeld()) {
        settingsLock_.reset();  // its file was removed or replaced: taken again now
    }
    if (!settingsLock_) {
        // Locked beside the file the settings really are in, so two names for one file
        // (a link) still meet.
        const auto settings = platform::followLinks(platform::toNativePath(settingsPathText));
        auto outcome = platform::InstanceLock::acquire(
            settings.parent_path() / ("." + settings.filename().string() + ".lock"));
        if (outcome.heldByAnother()) {
            throw AlreadyServedError(messages::settingsServed(settingsPathText, outcome.holder));
        }
        settingsLock_ = std::move(outcome.lock);
    }
    if (folderLock_ && claimedFolder_ == exchangeFolderText) {
        if (folderLock_->stillHeld()) {
            return;
        }
        folderLock_.reset();
        claimedFolder_.clear();
        throw ServeRefusedError(messages::folderLockLost(exchangeFolderText, kFolderLockName));
    }
    folderLock_.reset();
    claimedFolder_.clear();
    if (!platform::directoryExists(exchangeFolderText)) {
        return;
    }
    const auto lockPath = platform::toNativePath(exchangeFolderText) / kFolderLockName;
    // A simulator that ends normally removes its lock file; one that was killed leaves it.
    std::error_code reason;
    const bool leftBehind = std::filesystem::exists(lockPath, reason) || reason;
    auto outcome = platform::InstanceLock::acquire(lockPath);
    if (outcome.heldByAnother()) {
        throw AlreadyServedError(messages::folderServed(exchangeFolderText, outcome.holder));
    }
    if (!outcome.lock) {
        throw ServeRefusedError(
            messages::folderNotReserved(exchangeFolderText, outcome.reason.message()));
    }
    folderLock_ = std::move(outcome.lock);
    claimedFolder_ = exchangeFolderText;
    lockFileLeftBehind_ = leftBehind;
}

}  // namespace kelmar::engine
