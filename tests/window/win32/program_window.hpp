#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar::testing {

// Waits until the condition holds, looking every few milliseconds; false when it still
// does not hold after the timeout.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(15));

// The Windows program started with its window, in a folder, and driven from outside by
// window messages as an operator's keyboard and mouse would drive it. Closing the
// window (or, failing that, ending the process) is left to the destructor.
class ProgramWindow {
  public:
    ProgramWindow(const std::filesystem::path& folder, const std::vector<std::wstring>& arguments);
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow&) = delete;
    ProgramWindow& operator=(const ProgramWindow&) = delete;

    // The main window; nullptr when it never showed.
    HWND window() const { return window_; }
    HWND control(int id) const { return ::GetDlgItem(window_, id); }

    // The program's own top-level windows of a class ("#32770" for a message box).
    std::vector<HWND> topLevelWindows(std::wstring_view className) const;

    // Closes the window as its close button would and gives the exit status; -1 when
    // the program did not end.
    int close();

  private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

// A window's text, read through WM_GETTEXT (which also reaches another process).
std::wstring textOf(HWND window);
std::wstring classOf(HWND window);

// Types text into a control, a character at a time, as the keyboard would.
void typeInto(HWND edit, std::wstring_view text);
// Selects all of an edit's text, so typing replaces it.
void selectAll(HWND edit);
// Presses a button (posted: a button whose handler opens a message box would hold a
// sent message until the box is closed).
void press(HWND button);

}  // namespace kelmar::testing
