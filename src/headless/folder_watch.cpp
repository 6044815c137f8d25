#include "headless/folder_watch.hpp"

#include "engine/engine_messages.hpp"
#include "engine/exchange_layout.hpp"

namespace kelmar::ui {

std::string describeMissingFolders(const std::string& folder) {
    const auto check = engine::ExchangeLayout(folder).check();
    if (check.folderMissing) {
        return std::string(engine::messages::kFolderMissing) + ": " + folder;
    }
    if (check.missingSubfolders.empty()) {
        return {};
    }
    return "Faltam em " + folder + ": " + engine::messages::missingSubfolderList(check);
}

std::optional<std::string> FolderWatch::look(const std::string& folder) {
    auto second = clock_.now();
    second.millisecond = 0;
    if (last_ && folder == lastFolder_ && second == lastLook_) {
        return std::nullopt;
    }
    lastFolder_ = folder;
    lastLook_ = second;
    auto now = describeMissingFolders(folder);
    if (last_ && *last_ == now) {
        return std::nullopt;
    }
    const bool first = !last_;
    last_ = now;
    if (now.empty()) {
        // Complete at start needs no word; complete again after a warning does.
        return first ? std::nullopt : std::optional<std::string>("Pasta base completa: " + folder);
    }
    return now;
}

}  // namespace kelmar::ui
