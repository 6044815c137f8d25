#pragma once

#include <string>

namespace kelmar::ui {

// Opens a file or a folder the way the desktop does (a folder in its file manager).
// Injected, so that the window's model stays free of any toolkit and tests can see what
// would have been opened.
class DesktopOpener {
  public:
    virtual ~DesktopOpener() = default;
    // pathText: a Windows-1252 path text. False when the desktop refused.
    virtual bool open(const std::string& pathText) = 0;
};

}  // namespace kelmar::ui
