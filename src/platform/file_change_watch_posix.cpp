// The change notifications of one file through inotify on its folder: a watch on the
// folder also tells about writes to the files in it, by name, and it survives the file
// being renamed over, which a watch on the file itself would not.
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/file_change_watch.hpp"

namespace kelmar::platform {
namespace {

constexpr std::uint32_t kFileChanges =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The folder went or was moved: the watch tells nothing more.
constexpr std::uint32_t kWatchEnded = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF;

class InotifyFileWatch final : public FileChangeWatch {
  public:
    InotifyFileWatch(int descriptor, std::string name) : fd_(descriptor), name_(std::move(name)) {}
    InotifyFileWatch(const InotifyFileWatch&) = delete;
    InotifyFileWatch& operator=(const InotifyFileWatch&) = delete;
    ~InotifyFileWatch() override { ::close(fd_); }

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
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const auto got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) {
                if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                    ended_ = true;
                }
                return;
            }
            for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += sizeof(inotify_event) + event->len;
                if ((event->mask & kWatchEnded) != 0) {
                    ended_ = true;
                } else if ((event->mask & IN_Q_OVERFLOW) != 0) {
                    changed_ = true;  // changes were lost, this file's among them perhaps
                } else if (event->len != 0 && name_ == event->name) {
                    take(event->mask);
                }
            }
        }
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

    int fd_;
    std::string name_;
    bool changed_ = false;
    bool ended_ = false;
    bool awaitingOwnRename_ = false;
    bool ownRenameSeen_ = false;
};

}  // namespace

std::unique_ptr<FileChangeWatch> watchFileChanges(const std::filesystem::path& file) {
    const auto name = file.filename().native();
    if (name.empty()) {
        return nullptr;
    }
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    if (::inotify_add_watch(fd, folder.c_str(), kFileChanges | IN_ONLYDIR) < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<InotifyFileWatch>(fd, name);
}

}  // namespace kelmar::platform
