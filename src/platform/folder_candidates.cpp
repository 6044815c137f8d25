#include "platform/folder_candidates.hpp"

#include <algorithm>

#include "platform/file_system.hpp"

namespace kelmar::platform {

FolderCandidates::FolderCandidates(std::span<const std::string_view> fragments,
                                   std::chrono::steady_clock::duration relistEvery)
    : fragments_(fragments), relistEvery_(relistEvery) {}

void FolderCandidates::refresh(std::string_view folderText) {
    if (folderText != folder_) {
        folder_ = std::string(folderText);
        changes_.reset();
        listed_ = false;
        looks_ = 0;
    }
    looks_ = std::min(looks_ + 1, 2);  // once and more than once is all that counts
    const bool due = std::chrono::steady_clock::now() - listedAt_ >= relistEvery_;
    if (listed_ && changes_ && !due &&
        changes_->collect(fragments_,
                          [this](ListedName name, bool added) { apply(std::move(name), added); })) {
        return;
    }
    relist();
}

void FolderCandidates::relist() {
    // Watched first, so nothing that happens while the folder is listed is missed; a
    // change told about a name already listed changes nothing. A folder looked at once
    // only (a run of one tick) is not watched: the watch would cost more than the
    // listing it saves.
    if (relistEvery_ > std::chrono::steady_clock::duration::zero() && looks_ > 1) {
        changes_ = watchFolder(folder_, notifier_);
    }
    names_.clear();
    notFiles_.clear();
    unshowable_.clear();
    listed_ = listCandidates(folder_, fragments_,
                             [this](ListedName name) { apply(std::move(name), true); });
    listedAt_ = std::chrono::steady_clock::now();
    if (!listed_) {
        changes_.reset();
    }
}

void FolderCandidates::apply(ListedName name, bool added) {
    if (!name.showable) {
        if (added) {
            unshowable_.insert(std::move(name.name));
        } else {
            unshowable_.erase(name.name);
        }
        return;
    }
    notFiles_.erase(name.name);
    if (added) {
        names_.insert(std::move(name.name));
    } else {
        names_.erase(name.name);
    }
}

std::optional<std::string> FolderCandidates::first(
    std::string_view after, const std::function<bool(const std::string&)>& skip) {
    auto start = names_.begin();
    if (!after.empty()) {
        start = names_.upper_bound(std::string(after));
    }
    // Each name once, from the start to the end and round to where it began.
    auto it = start;
    for (std::size_t seen = 0, total = names_.size(); seen < total; ++seen) {
        if (it == names_.end()) {
            it = names_.begin();
        }
        const auto& name = *it;
        if ((skip && skip(name)) || notFiles_.contains(name)) {
            ++it;
            continue;
        }
        switch (lookAtEntry(folder_, name)) {
            case EntryState::RequestFile:
                return name;
            case EntryState::NotARequestFile:
                notFiles_.insert(name);
                ++it;
                break;
            case EntryState::Missing:
                it = names_.erase(it);
                break;
        }
    }
    return std::nullopt;
}

std::optional<std::string> findFirstXml(std::string_view folderText,
                                        std::span<const std::string_view> fragments,
                                        std::vector<std::string>* unshowable,
                                        std::string_view after) {
    FolderCandidates candidates(fragments, std::chrono::steady_clock::duration::zero());
    candidates.refresh(folderText);
    if (unshowable != nullptr) {
        *unshowable = candidates.unshowable();
    }
    return candidates.first(after);
}

}  // namespace kelmar::platform
