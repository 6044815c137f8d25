#pragma once

#include <optional>
#include <string>

namespace kelmar::ui {

// Tells the headless operator when the exchange folder or one of its subfolders is
// missing: once at start and again whenever that changes (the window shows the same in
// its status bar). Texts are Windows-1252.
class FolderWatch {
  public:
    // The line to print for the folder as it is now, or nothing when nothing changed
    // since the last look.
    std::optional<std::string> look(const std::string& folder);

  private:
    std::optional<std::string> last_;
};

// "Pasta base não encontrada: <folder>", "Faltam em <folder>: envio, lotes", or empty
// text when the folder is complete.
std::string describeMissingFolders(const std::string& folder);

}  // namespace kelmar::ui
