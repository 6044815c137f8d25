#pragma once

#include <optional>
#include <string>

#include "platform/clock.hpp"

namespace kelmar::ui {

// Tells the headless operator when the exchange folder or one of its subfolders is
// missing: once at start and again whenever that changes (the window shows the same in
// its status bar). Texts are Windows-1252.
//
// The folders are looked at no more than once in a second of the clock: at the usual
// interval that is every tick, while a runner with no pause between ticks does not pay
// seven folder lookups for every request it answers.
class FolderWatch {
  public:
    explicit FolderWatch(const platform::Clock& clock) : clock_(clock) {}

    // The line to print for the folder as it is now, or nothing when nothing changed
    // since the last look.
    std::optional<std::string> look(const std::string& folder);

  private:
    const platform::Clock& clock_;
    std::optional<std::string> last_;
    std::string lastFolder_;
    platform::LocalDateTime lastLook_;
};

// "Pasta base não encontrada: <folder>", "Faltam em <folder>: envio, lotes", or empty
// text when the folder is complete.
std::string describeMissingFolders(const std::string& folder);

}  // namespace kelmar::ui
