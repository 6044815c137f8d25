#include "program_window.hpp"

#include <thread>

#include "support/windows_launch.hpp"
#include "window/win32/win32_control_ids.hpp"

namespace kelmar::testing {
namespace {

struct WindowSearch {
    DWORD processId;
    std::wstring_view className;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM search) {
    auto& wanted = *reinterpret_cast<WindowSearch*>(search);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == wanted.processId && classOf(window) == wanted.className &&
        ::IsWindowVisible(window)) {
        wanted.found.push_back(window);
    }
    return TRUE;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

ProgramWindow::ProgramWindow(const std::filesystem::path& folder,
                             const std::vector<std::wstring>& arguments) {
    const auto program = programPath();
    std::wstring commandLine = windowsQuoted(program.native());
    for (const auto& argument : arguments) {
        commandLine += L" " + windowsQuoted(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process_)) {
        process_ = {};
        return;
    }
    ::WaitForInputIdle(process_.hProcess, 15000);
    waitUntil([&] {
        const auto windows = topLevelWindows(ui::win32::kMainFormClass);
        window_ = windows.empty() ? nullptr : windows.front();
        return window_ != nullptr;
    });
}

ProgramWindow::~ProgramWindow() {
    if (process_.hProcess == nullptr) {
        return;
    }
    if (close() == -1) {
        ::TerminateProcess(process_.hProcess, 1);
        ::WaitForSingleObject(process_.hProcess, 5000);
    }
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
}

std::vector<HWND> ProgramWindow::topLevelWindows(std::wstring_view className) const {
    WindowSearch search{process_.dwProcessId, className, {}};
    ::EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int ProgramWindow::close() {
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process_.hProcess, &status);
    return static_cast<int>(status);
}

std::wstring textOf(HWND window) {
    std::wstring text(4096, L'\0');
    DWORD_PTR length = 0;
    if (::SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                              reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                              &length) == 0) {
        return L"<no answer>";
    }
    text.resize(length);
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[256];
    const int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

void typeInto(HWND edit, std::wstring_view text) {
    for (const wchar_t c : text) {
        ::PostMessageW(edit, WM_CHAR, c, 1);
    }
}

void selectAll(HWND edit) {
    ::PostMessageW(edit, EM_SETSEL, 0, -1);
}

void press(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

}  // namespace kelmar::testing
