// The change notifications of one file through inotify on its folder: a watch on the
// folder also tells about writes to the files in it, by name, and it survives the file
// being renamed over, which a watch on the file itself would not.
#include <sys/inotify.h>

#include <cstdint>
#include <string>

#include "platform/change_notifier_posix.hpp"
#include "platform/file_change_watch.hpp"

namespace kelmar::platform {
namespace {

constexpr std::uint32_t kFileChanges =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The folder went or was moved: the watch tells nothing more.
constexpr std::uint32_t kWatchEnded = IN_DELETE_SELF | IN_MOVE_SELF;

class InotifyFileWatch final : public FileChangeWatch {
  public:
    InotifyFileWatch(std::unique_ptr<Subscription> subscription, std::string name)
        : subscription_(std::move(subscription)), name_(std::move(name)) {}

    void mark(bool ownReplacement) override {
        changed_ = false;
        // After an own rename, the changes told up to it are taken as the caller's own.
        awaitingOwnRename_ = ownReplacement;
        ownRenameSeen_ = false;
        drain();
        if (ownReplacement && !ownRenameSeen_) {
            changed_ = true;
        }
        awaitingOwnRename_ = false;
    }

    bool unchangedSinceMark() override {
        drain();
        return !changed_ && !ended_;
    }

    bool ended() const override { return ended_; }

  private:
    void drain() {
        if (ended_) {
            return;
        }
        const auto told = subscription_->take();
        if (told.lost) {
            changed_ = true;  // changes were lost, this file's among them perhaps
        }
        for (const auto& event : told.events) {
            if ((event.mask & kWatchEnded) != 0) {
                ended_ = true;
            } else if (event.name == name_) {
                take(event.mask);
            }
        }
        ended_ = ended_ || told.ended;
    }

    void take(std::uint32_t mask) {
        if (awaitingOwnRename_) {
            // The first rename onto the name is taken for the caller's own, and what came
            // before it was overwritten by it. Should another program's rename have come
            // just before, the caller's counts as a later change: the file is read again.
            if (ownRenameSeen_) {
                changed_ = true;
            } else if ((mask & IN_MOVED_TO) != 0) {
                ownRenameSeen_ = true;
            }
            return;
        }
        changed_ = true;
    }

    std::unique_ptr<Subscription> subscription_;
    std::string name_;
    bool changed_ = false;
    bool ended_ = false;
    bool awaitingOwnRename_ = false;
    bool ownRenameSeen_ = false;
};

}  // namespace

std::unique_ptr<FileChangeWatch> watchFileChanges(const std::filesystem::path& file,
                                                  const std::shared_ptr<ChangeNotifier>& notifier) {
    const auto name = file.filename().native();
    if (name.empty()) {
        return nullptr;
    }
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    auto subscription = subscribeToFolder(notifier, folder.native(), kFileChanges | kWatchEnded);
    if (!subscription) {
        return nullptr;
    }
    return std::make_unique<InotifyFileWatch>(std::move(subscription), name);
}

}  // namespace kelmar::platform
