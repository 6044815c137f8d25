// Stands in for the Win32 window until the Windows build has one: the operator who
// double-clicks the program is told how to use it instead of seeing nothing happen.
#include <windows.h>

#include "ui/win32_window.hpp"

namespace kelmar::ui {

int runWin32Window(engine::Simulator&) {
    ::MessageBoxW(nullptr,
                  L"A janela do simulador n\u00e3o est\u00e1 dispon\u00edvel nesta vers\u00e3o "
                  L"para Windows.\n\n"
                  L"Execute-o num prompt de comando com --headless (veja --help).",
                  L"kelmar-sim", MB_OK | MB_ICONINFORMATION);
    return 1;
}

}  // namespace kelmar::ui
