#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/change_notifier.hpp"
#include "platform/folder_order.hpp"

namespace kelmar::platform {

// A name a listing or a notification gave that may be a request: in Windows-1252 when it
// can be held there, else as it is shown (a "?" for each character the code page lacks).
struct ListedName {
    std::string name;
    bool showable = true;
};

// What the system says about the entry a candidate name names, looked at only when the
// name is about to be handed out.
enum class EntryState { RequestFile, NotARequestFile, Missing };

// The change notifications of one folder, from the system (folder_changes_*.cpp).
class FolderChanges {
  public:
    virtual ~FolderChanges() = default;
    // Names added and removed since the last call, in the order they happened. False when
    // changes were lost (the system's queue overflowed, the folder went or was replaced):
    // the folder must be listed again.
    virtual bool collect(std::span<const std::string_view> fragments,
                         const std::function<void(ListedName, bool added)>& change) = 0;
};

// Watches a folder from now on, through the shared channel when one is given; nothing
// when the system cannot (no such folder, a share that gives no notifications, a limit
// reached).
std::unique_ptr<FolderChanges> watchFolder(std::string_view folderText,
                                           const std::shared_ptr<ChangeNotifier>& notifier = {});

// Every name of the folder that may be a request of these fragments; false when the
// folder cannot be listed.
bool listCandidates(std::string_view folderText, std::span<const std::string_view> fragments,
                    const std::function<void(ListedName)>& found);

// Whether the entry is a request file (a regular, visible file, no link) now.
EntryState lookAtEntry(std::string_view folderText, std::string_view name);

// The request candidates of one folder, kept in order between looks instead of listing
// the folder every time: listed once, then kept current from the system's change
// notifications, and listed again when notifications are lost or cannot be had, and
// every so often all the same. A name is checked on disk only when it is handed out.
class FolderCandidates {
  public:
    // The fragments must outlive the object.
    explicit FolderCandidates(
        std::span<const std::string_view> fragments,
        std::chrono::steady_clock::duration relistEvery = std::chrono::seconds(30));

    // The watches are made through this channel from now on.
    void shareNotifications(std::shared_ptr<ChangeNotifier> notifier) {
        notifier_ = std::move(notifier);
    }

    // Brings the names up to date with the folder as it is now.
    void refresh(std::string_view folderText);

    // The first request file after the given name in order (the first of all when none
    // comes after it, or no name is given), passing over the names `skip` holds. Names
    // found gone on the way are forgotten.
    std::optional<std::string> first(std::string_view after,
                                     const std::function<bool(const std::string&)>& skip = {});

    // The candidates whose names cannot be held in Windows-1252, as shown, in byte order.
    std::vector<std::string> unshowable() const { return {unshowable_.begin(), unshowable_.end()}; }

  private:
    struct InOrder {
        bool operator()(const std::string& a, const std::string& b) const { return precedes(a, b); }
    };

    void relist();
    void apply(ListedName name, bool added);

    std::span<const std::string_view> fragments_;
    std::chrono::steady_clock::duration relistEvery_;
    std::chrono::steady_clock::time_point listedAt_;
    std::string folder_;
    std::shared_ptr<ChangeNotifier> notifier_;
    std::unique_ptr<FolderChanges> changes_;
    bool listed_ = false;
    int looks_ = 0;
    std::set<std::string, InOrder> names_;
    // Names found to be no request file (a folder, a link, a hidden file): passed over
    // until a change is told about them.
    std::set<std::string> notFiles_;
    std::set<std::string> unshowable_;
};

}  // namespace kelmar::platform
