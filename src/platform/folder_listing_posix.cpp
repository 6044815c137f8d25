// Folder listings on POSIX, straight from the directory stream: each entry's name is
// judged on its bytes, and only a name that passes is converted or looked at further.
#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include <string>

#include "platform/atomic_file_writer.hpp"
#include "platform/change_notifier_posix.hpp"
#include "platform/folder_candidates.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::platform {
namespace {

// The open directory stream, closed whatever happens.
class DirectoryStream {
  public:
    explicit DirectoryStream(const std::string& folder) : stream_(::opendir(folder.c_str())) {}
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;
    ~DirectoryStream() {
        if (stream_ != nullptr) {
            ::closedir(stream_);
        }
    }
    bool isOpen() const { return stream_ != nullptr; }
    const dirent* next() { return ::readdir(stream_); }

  private:
    DIR* stream_;
};

std::string withEntry(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

// Walks native paths only: a directory's name is never turned back into a path text,
// where a backslash in it (a Linux folder named x\..\..\outside) would become a separator.
void removeStaleTemporariesIn(const std::string& folder, int depth) {
    DirectoryStream entries(folder);
    if (!entries.isOpen()) {
        return;
    }
    while (const auto* entry = entries.next()) {
        const std::string_view name(entry->d_name);
        const bool temporary = isTemporaryName(name);
        const bool maybeFolder = depth > 0 && !name.empty() && name.front() != '.' &&
                                 (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN);
        if (!temporary && !maybeFolder) {
            continue;  // most of an archive: decided on the name alone, never looked at
        }
        const auto path = withEntry(folder, name);
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            continue;
        }
        if (temporary && S_ISREG(status.st_mode)) {
            if (isStaleTemporary(name)) {
                ::unlink(path.c_str());
            }
        } else if (maybeFolder && S_ISDIR(status.st_mode) && utf8ToCp1252Exact(name) &&
                   !isForbiddenFileName(name)) {
            removeStaleTemporariesIn(path, depth - 1);
        }
    }
}

// The name's judgement as a request candidate, on its bytes first.
std::optional<ListedName> judgeNativeName(std::string_view raw,
                                          std::span<const std::string_view> fragments) {
    if (raw.empty() || raw.front() == '.' || !mayBeRequest(raw, fragments)) {
        return std::nullopt;
    }
    if (auto exact = utf8ToCp1252Exact(raw)) {
        // A name Windows refuses could not exist there; it is passed over everywhere.
        if (!isRequestCandidate(*exact, fragments)) {
            return std::nullopt;
        }
        return ListedName{std::move(*exact), true};
    }
    return ListedName{utf8ToCp1252(raw), false};
}

// The folder's changes through inotify. Read without waiting at each look; the kernel
// queues every change as it is made, so a file made before the look is in the queue.
class InotifyChanges final : public FolderChanges {
  public:
    InotifyChanges(std::unique_ptr<Subscription> subscription, std::string path, struct stat folder)
        : subscription_(std::move(subscription)), path_(std::move(path)), folder_(folder) {}

    bool collect(std::span<const std::string_view> fragments,
                 const std::function<void(ListedName, bool)>& change) override;

    bool watches(const struct stat& folder) const {
        return folder.st_dev == folder_.st_dev && folder.st_ino == folder_.st_ino;
    }

  private:
    std::unique_ptr<Subscription> subscription_;
    std::string path_;
    struct stat folder_;
};

bool InotifyChanges::collect(std::span<const std::string_view> fragments,
                             const std::function<void(ListedName, bool)>& change) {
    // The path may now name another folder (this one, or one above it, renamed).
    struct stat now {};
    if (::stat(path_.c_str(), &now) != 0 || !watches(now)) {
        return false;
    }
    auto told = subscription_->take();
    if (told.lost || told.ended) {
        return false;
    }
    for (const auto& event : told.events) {
        if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
            return false;
        }
        if (event.name.empty()) {
            continue;
        }
        const bool added = (event.mask & (IN_CREATE | IN_MOVED_TO)) != 0;
        if (added && (event.mask & IN_ISDIR) != 0) {
            continue;
        }
        if (auto name = judgeNativeName(event.name, fragments)) {
            change(std::move(*name), added);
        }
    }
    return true;
}
}  // namespace

std::unique_ptr<FolderChanges> watchFolder(std::string_view folderText,
                                           const std::shared_ptr<ChangeNotifier>& notifier) {
    auto path = toNativePath(folderText).native();
    constexpr std::uint32_t kChanges =
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
    auto subscription = subscribeToFolder(notifier, path, kChanges);
    struct stat folder {};
    if (!subscription || ::stat(path.c_str(), &folder) != 0) {
        return nullptr;
    }
    return std::make_unique<InotifyChanges>(std::move(subscription), std::move(path), folder);
}

bool listCandidates(std::string_view folderText, std::span<const std::string_view> fragments,
                    const std::function<void(ListedName)>& found) {
    DirectoryStream entries(toNativePath(folderText).native());
    if (!entries.isOpen()) {
        return false;
    }
    while (const auto* entry = entries.next()) {
        if (entry->d_type == DT_DIR) {
            continue;
        }
        if (auto name = judgeNativeName(entry->d_name, fragments)) {
            found(std::move(*name));
        }
    }
    return true;
}

EntryState lookAtEntry(std::string_view folderText, std::string_view name) {
    // A link is passed over like a directory: it could lead out of the folder.
    const auto path = withEntry(toNativePath(folderText).native(), cp1252ToUtf8(name));
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return EntryState::Missing;
    }
    return S_ISREG(status.st_mode) ? EntryState::RequestFile : EntryState::NotARequestFile;
}

void removeStaleTemporaries(std::string_view folderText, int depth) {
    removeStaleTemporariesIn(toNativePath(folderText.empty() ? "." : folderText).native(), depth);
}

}  // namespace kelmar::platform
