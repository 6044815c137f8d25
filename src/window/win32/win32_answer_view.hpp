#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "form/form_model.hpp"

namespace kelmar::ui::win32 {

// The window's own read-only view of what one request wrote: every file listed, the
// chosen one's text beside, and a button that hands it to the desktop as well. A window
// of its own, owned by the main one, which keeps answering while it is open.
class Win32AnswerView {
  public:
    Win32AnswerView(FormModel& model, const HistoryEntry& entry, HWND owner, HFONT font);
    ~Win32AnswerView();
    Win32AnswerView(const Win32AnswerView&) = delete;
    Win32AnswerView& operator=(const Win32AnswerView&) = delete;

    HWND handle() const { return window_; }

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND addControl(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                    DWORD extendedStyle = 0);
    void layOut();
    void showFile(int row);

    FormModel& model_;
    std::vector<std::string> files_;
    HFONT font_;
    HWND window_ = nullptr;
    HWND fileList_ = nullptr;
    HWND text_ = nullptr;
    HWND problem_ = nullptr;
    HWND outside_ = nullptr;
    HWND close_ = nullptr;
};

// The class the view's window is found by.
inline constexpr wchar_t kAnswerViewClass[] = L"KelmarSimAnswerView";

}  // namespace kelmar::ui::win32
