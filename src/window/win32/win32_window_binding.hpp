#pragma once

#include <windows.h>

// How a window's messages reach the object that owns it: the object comes with the
// window's creation and is kept in the window's user data until WM_NCDESTROY.
namespace kelmar::ui::win32 {

// The owner of the window a message is for, or nullptr before WM_NCCREATE and after
// WM_NCDESTROY. At WM_NCCREATE the owner is taken from the creation's parameter and
// learns its window through `handle`.
template <typename Owner>
Owner* ownerOf(HWND window, UINT message, LPARAM lParam, HWND Owner::*handle) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        owner->*handle = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        return owner;
    }
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// WM_NCDESTROY: the window forgets its owner and the owner its window.
inline LRESULT releaseWindow(HWND& handle, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = handle;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    handle = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kelmar::ui::win32
