#pragma once

#include <filesystem>
#include <memory>

#include "platform/change_notifier.hpp"

namespace kelmar::platform {

// Tells whether anyone changed one file since a mark: wrote to it, cut it, changed its
// attributes, replaced, created or removed it. Learnt from the change notifications of
// the file's folder, so telling costs no look at the file itself.
class FileChangeWatch {
  public:
    virtual ~FileChangeWatch() = default;

    // From now on. With `ownReplacement`, the caller has just renamed its own new version
    // over the file: the changes up to that rename are its own, and only what came after
    // it counts.
    virtual void mark(bool ownReplacement) = 0;

    // True while nothing has changed the file since the mark (and, after an own
    // replacement, that replacement was told). False, until the next mark, once anything
    // did or notifications were lost; false for good once the watch ended.
    virtual bool unchangedSinceMark() = 0;

    // True once the watch can tell nothing more (its folder went or was moved).
    virtual bool ended() const = 0;
};

// Watches the regular file at the native path (its folder, for the file's name), through
// the shared channel when one is given; nothing when the system gives no such
// notifications there.
std::unique_ptr<FileChangeWatch> watchFileChanges(
    const std::filesystem::path& file, const std::shared_ptr<ChangeNotifier>& notifier = {});

}  // namespace kelmar::platform
