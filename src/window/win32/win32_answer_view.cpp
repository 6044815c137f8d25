#include "window/win32/win32_answer_view.hpp"

#include <algorithm>
#include <exception>

#include "form/form_texts.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"
#include "window/win32/win32_control_ids.hpp"
#include "window/win32/win32_window_binding.hpp"

namespace kelmar::ui::win32 {
namespace {

constexpr DWORD kViewStyle = WS_OVERLAPPEDWINDOW;

// The edit control breaks lines only at "\r\n".
std::wstring withWindowsLineBreaks(const std::string& text) {
    std::string broken;
    broken.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            broken += '\r';
        }
        broken += text[i];
    }
    return platform::cp1252ToUtf16(broken);
}

void registerViewClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW viewClass{};
    viewClass.cbSize = sizeof viewClass;
    viewClass.lpfnWndProc = procedure;
    viewClass.hInstance = instance;
    viewClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    viewClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    viewClass.lpszClassName = kAnswerViewClass;
    ::RegisterClassExW(&viewClass);  // already there from an earlier view: fine
}

}  // namespace

Win32AnswerView::Win32AnswerView(FormModel& model, const HistoryEntry& entry, HWND owner,
                                 HFONT font)
    : model_(model), files_(entry.written), font_(font) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    registerViewClass(instance, &windowProcedure);
    const auto caption = std::string(kAnswerViewCaption) + " - " + entry.request;
    ::CreateWindowExW(0, kAnswerViewClass, platform::cp1252ToUtf16(caption).c_str(), kViewStyle,
                      CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, owner, nullptr, instance, this);
    if (window_ == nullptr) {
        return;
    }
    fileList_ = addControl(L"LISTBOX", L"",
                           LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                           kAnswerFiles, WS_EX_CLIENTEDGE);
    text_ = addControl(L"EDIT", L"",
                       ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL |
                           WS_HSCROLL | WS_TABSTOP,
                       kAnswerText, WS_EX_CLIENTEDGE);
    ::SendMessageW(text_, EM_SETLIMITTEXT, FormModel::kViewLimit * 2, 0);
    problem_ = addControl(L"STATIC", L"", SS_LEFT, kAnswerProblem);
    outside_ = addControl(L"BUTTON", platform::cp1252ToUtf16(kOpenOutsideCaption),
                          BS_PUSHBUTTON | WS_TABSTOP, kBtAbrirNoSistema);
    close_ = addControl(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    for (const auto& path : files_) {
        const auto shown = platform::cp1252ToUtf16(platform::displayPath(path));
        ::SendMessageW(fileList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    ::SendMessageW(fileList_, LB_SETHORIZONTALEXTENT, 1200, 0);
    layOut();
    // The answer in retorno first, as the history's entry names it.
    const auto answer = std::find(files_.begin(), files_.end(), entry.answerFile);
    const int row = answer == files_.end() ? 0 : static_cast<int>(answer - files_.begin());
    ::SendMessageW(fileList_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    showFile(row);
    ::ShowWindow(window_, SW_SHOWNORMAL);
}

Win32AnswerView::~Win32AnswerView() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

HWND Win32AnswerView::addControl(const wchar_t* className, const std::wstring& text, DWORD style,
                                 int id, DWORD extendedStyle) {
    HWND control = ::CreateWindowExW(
        extendedStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
}

// The list on top, the text below it taking what is left, the buttons at the bottom.
void Win32AnswerView::layOut() {
    RECT client;
    ::GetClientRect(window_, &client);
    const int width = client.right - 16;
    const int bottom = client.bottom - 8;
    ::MoveWindow(fileList_, 8, 8, width, 84, TRUE);
    ::MoveWindow(text_, 8, 100, width, std::max(40, bottom - 100 - 56), TRUE);
    ::MoveWindow(problem_, 8, bottom - 50, width, 18, TRUE);
    ::MoveWindow(outside_, 8, bottom - 26, 120, 26, TRUE);
    ::MoveWindow(close_, client.right - 8 - 80, bottom - 26, 80, 26, TRUE);
}

void Win32AnswerView::showFile(int row) {
    ::SetWindowTextW(problem_, L"");
    if (row < 0 || static_cast<std::size_t>(row) >= files_.size()) {
        ::SetWindowTextW(text_, L"");
        return;
    }
    const auto text =
        withWindowsLineBreaks(FormModel::documentText(files_[static_cast<std::size_t>(row)]));
    ::SetWindowTextW(text_, text.c_str());
}

LRESULT CALLBACK Win32AnswerView::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* view = ownerOf(window, message, lParam, &Win32AnswerView::window_);
    if (view == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return view->handleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        return 0;  // a file that cannot be shown leaves the view as it was
    }
}

LRESULT Win32AnswerView::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (close_ != nullptr) {
                layOut();
            }
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kAnswerFiles && HIWORD(wParam) == LBN_SELCHANGE) {
                showFile(static_cast<int>(::SendMessageW(fileList_, LB_GETCURSEL, 0, 0)));
            } else if (LOWORD(wParam) == kBtAbrirNoSistema && HIWORD(wParam) == BN_CLICKED) {
                const auto row = ::SendMessageW(fileList_, LB_GETCURSEL, 0, 0);
                if (row >= 0 && static_cast<std::size_t>(row) < files_.size() &&
                    !model_.openFile(files_[static_cast<std::size_t>(row)])) {
                    ::SetWindowTextW(problem_,
                                     platform::cp1252ToUtf16(model_.status().problem).c_str());
                }
            } else if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
                ::DestroyWindow(window_);
            }
            return 0;
        case WM_NCDESTROY:
            return releaseWindow(window_, message, wParam, lParam);
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace kelmar::ui::win32
