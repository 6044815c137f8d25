#include "window/win32/win32_main_form.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "form/form_texts.hpp"
#include "platform/text_encoding.hpp"
#include "window/win32/win32_control_ids.hpp"
#include "window/win32/win32_window_binding.hpp"

namespace kelmar::ui::win32 {
namespace {

using settings::StateField;

// The client area above the status bar, in pixels: wide enough for the status bar to
// show a request's name with its numbers.
constexpr int kClientWidth = 400;
constexpr int kClientHeight = 254;   // with the history collapsed
constexpr int kHistoryHeight = 197;  // what the expanded history adds
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Where each field and its label go, in StateField order.
struct FieldPlace {
    int editId;
    int labelId;
    RECT edit;  // left, top, right, bottom
    RECT label;
};
constexpr std::array<FieldPlace, settings::kStateFieldCount> kFieldPlaces = {{
    {kELote, kLabel1, {72, 5, 129, 26}, {8, 8, 70, 21}},
    {kERecibo, kLabel2, {192, 5, 249, 26}, {144, 8, 190, 21}},
    {kEProtocolo, kLabel3, {72, 32, 129, 53}, {8, 35, 70, 48}},
    {kEPasta, kLabel4, {72, 62, 392, 83}, {8, 65, 70, 78}},
}};
constexpr RECT kSavePlace = {144, 32, 233, 53};
constexpr RECT kOutcomeGroupPlace = {8, 96, 392, 222};
constexpr int kOutcomeItemTop = 114;
constexpr int kOutcomeItemHeight = 17;
constexpr RECT kHistoryTogglePlace = {8, 228, 108, 250};
constexpr RECT kHistoryListPlace = {8, 256, 392, 416};
constexpr RECT kOpenAnswerPlace = {8, 422, 118, 445};
constexpr RECT kOpenFolderPlace = {124, 422, 234, 445};

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void registerWindowClass(HINSTANCE instance, WNDPROC windowProcedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));      // IDI_APPLICATION
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainFormClass;
    // A second window of the program finds the class already there.
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("N\xE3o foi poss\xEDvel registrar a janela do simulador");
    }
}

}  // namespace

Win32MainForm::Win32MainForm(FormModel& model, MessagePresenter& presenter, HINSTANCE instance)
    : model_(model),
      presenter_(presenter),
      // 8 points on a 96 dpi screen, the window's classic font.
      font_(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif")) {
    registerWindowClass(instance, &windowProcedure);
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    window_ = ::CreateWindowExW(0, kMainFormClass, platform::cp1252ToUtf16(kFormCaption).c_str(),
                                kWindowStyle, 328, 255, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) {
        throw std::runtime_error("N\xE3o foi poss\xEDvel criar a janela do simulador");
    }
    buildControls(instance);

    fitWindow();

    model_.setObserver(this);
    model_.setDesktopOpener(&opener_);
    model_.formCreate();
    ::SetTimer(window_, kTimer1, static_cast<UINT>(kTimerInterval), nullptr);
}

Win32MainForm::~Win32MainForm() {
    model_.setObserver(nullptr);
    model_.setDesktopOpener(nullptr);
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void Win32MainForm::show(int showCommand) {
    ::ShowWindow(window_, showCommand);
    ::UpdateWindow(window_);
    ::SetFocus(focus_);
}

// Tab order follows the order the controls are made in: the outcome group, Save, then
// the four fields. The labels and the status bar take no focus.
void Win32MainForm::buildControls(HINSTANCE instance) {
    addControl(L"BUTTON", kOutcomeGroupCaption, BS_GROUPBOX, kRGTipoRet, kOutcomeGroupPlace,
               instance);
    const auto chosen = static_cast<int>(model_.outcome());
    for (int i = 0; i < settings::kReturnKindCount; ++i) {
        const int top = kOutcomeItemTop + i * kOutcomeItemHeight;
        const DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        HWND item = addControl(
            L"BUTTON", kOutcomeCaptions[static_cast<std::size_t>(i)], style, kFirstOutcomeItem + i,
            {16, top, kOutcomeGroupPlace.right - 8, top + kOutcomeItemHeight}, instance);
        if (i == chosen) {
            // Checking an item makes it the group's tab stop, so Tab lands on it.
            ::SendMessageW(item, BM_SETCHECK, BST_CHECKED, 0);
            focus_ = item;
        }
    }
    addControl(L"BUTTON", kSaveCaption, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, kBtSalvar,
               kSavePlace, instance);
    for (std::size_t i = 0; i < kFieldPlaces.size(); ++i) {
        edits_[i] =
            addControl(L"EDIT", "", ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP, kFieldPlaces[i].editId,
                       kFieldPlaces[i].edit, instance, WS_EX_CLIENTEDGE);
    }
    buildHistory(instance);
    for (std::size_t i = 0; i < kFieldPlaces.size(); ++i) {
        addControl(L"STATIC", kFieldCaptions[i], SS_LEFTNOWORDWRAP, kFieldPlaces[i].labelId,
                   kFieldPlaces[i].label, instance);
    }
    statusBar_ = ::CreateWindowExW(
        0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBar)), instance, nullptr);
    if (statusBar_ == nullptr) {
        throw std::runtime_error("N\xE3o foi poss\xEDvel criar a barra de status");
    }
    ::SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

// Below the original controls: the toggle and, expanded, the history with what an entry
// offers.
void Win32MainForm::buildHistory(HINSTANCE instance) {
    historyToggle_ = addControl(L"BUTTON", kHistoryCaption,
                                BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_GROUP | WS_TABSTOP, kBtHistorico,
                                kHistoryTogglePlace, instance);
    historyList_ = addControl(L"LISTBOX", "",
                              LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED |
                                  LBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                              kHistoryList, kHistoryListPlace, instance, WS_EX_CLIENTEDGE);
    openAnswer_ = addControl(L"BUTTON", kOpenAnswerCaption, BS_PUSHBUTTON | WS_TABSTOP,
                             kBtAbrirResposta, kOpenAnswerPlace, instance);
    openFolder_ = addControl(L"BUTTON", kOpenFolderCaption, BS_PUSHBUTTON | WS_TABSTOP,
                             kBtAbrirPasta, kOpenFolderPlace, instance);
    for (HWND control : {historyList_, openAnswer_, openFolder_}) {
        ::ShowWindow(control, SW_HIDE);
    }
    selectionChanged();
}

void Win32MainForm::showHistory(bool shown) {
    model_.showHistory(shown);
    for (HWND control : {historyList_, openAnswer_, openFolder_}) {
        ::ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
    }
    fitWindow();  // the window keeps a fixed size: it grows with the history and shrinks back
}

void Win32MainForm::selectionChanged() {
    const auto row = ::SendMessageW(historyList_, LB_GETCURSEL, 0, 0);
    const auto& entries = model_.history().entries();
    const bool chosen = row >= 0 && static_cast<std::size_t>(row) < entries.size();
    ::EnableWindow(openAnswer_, chosen && !entries[static_cast<std::size_t>(row)].written.empty());
    ::EnableWindow(openFolder_, chosen);
}

// The client area holds the controls, the history when shown, and the status bar.
void Win32MainForm::fitWindow() {
    RECT bar;
    ::GetWindowRect(statusBar_, &bar);
    const int controls = kClientHeight + (model_.historyShown() ? kHistoryHeight : 0);
    RECT frame = {0, 0, kClientWidth + statusWidening_, controls + (bar.bottom - bar.top)};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A window that grew past the bottom of its screen moves up, so that its buttons and
    // status bar stay in reach.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT placed;
    if (::GetWindowRect(window_, &placed) &&
        ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor) &&
        placed.bottom > monitor.rcWork.bottom) {
        const int top =
            std::max(monitor.rcWork.top, placed.top - (placed.bottom - monitor.rcWork.bottom));
        ::SetWindowPos(window_, nullptr, placed.left, top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    layOutStatusBar();
}

HWND Win32MainForm::addControl(const wchar_t* className, std::string_view text, DWORD style, int id,
                               RECT place, HINSTANCE instance, DWORD extendedStyle) {
    HWND control =
        ::CreateWindowExW(extendedStyle, className, platform::cp1252ToUtf16(text).c_str(),
                          WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                          place.right - place.left, place.bottom - place.top, window_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control == nullptr) {
        throw std::runtime_error("N\xE3o foi poss\xEDvel criar o controle " + std::to_string(id));
    }
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
}

LRESULT CALLBACK Win32MainForm::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    // The form comes with the creation; from here on every message reaches it.
    auto* form = ownerOf(window, message, lParam, &Win32MainForm::window_);
    if (form == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // An error must not cross the system's code: it is shown, and the window goes on.
    try {
        return form->handleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        form->presenter_.showError(error.what());
        return 0;
    }
}

LRESULT Win32MainForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_SIZE:
            // The status bar follows the window's bottom edge.
            if (statusBar_ != nullptr) {
                layOutStatusBar();
            }
            return 0;
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item->CtlID != kHistoryList) {
                break;
            }
            item->itemHeight = static_cast<UINT>(5 * lineHeight() + 2);  // a long name wraps too
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID != kHistoryList) {
                break;
            }
            drawEntry(*item);
            return TRUE;
        }
        case WM_TIMER:
            if (wParam == kTimer1) {
                Timer1Timer();
            }
            return 0;
        case WM_ACTIVATE:
            // Like a dialog, the window gives the focus back to the control that had it.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(window_, focus)) {
                    focus_ = focus;
                }
            } else if (focus_ != nullptr) {
                ::SetFocus(focus_);
            }
            return 0;
        case WM_DESTROY:
            ::KillTimer(window_, kTimer1);  // closing the window ends the program
            ::PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            return releaseWindow(window_, message, wParam, lParam);
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void Win32MainForm::command(int id, int notification) {
    if (id == kBtSalvar && notification == BN_CLICKED) {
        BtSalvarClick();
        return;
    }
    if (id == kBtHistorico && notification == BN_CLICKED) {
        showHistory(::SendMessageW(historyToggle_, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return;
    }
    if (id == kHistoryList && notification == LBN_SELCHANGE) {
        selectionChanged();
        return;
    }
    if (id == kBtAbrirResposta && notification == BN_CLICKED) {
        const auto row = ::SendMessageW(historyList_, LB_GETCURSEL, 0, 0);
        if (row >= 0 && static_cast<std::size_t>(row) < model_.history().size()) {
            answerView_.reset();  // one view at a time
            answerView_ = std::make_unique<Win32AnswerView>(
                model_, model_.history().entries()[static_cast<std::size_t>(row)], window_,
                font_.get());
        }
        return;
    }
    if (id == kBtAbrirPasta && notification == BN_CLICKED) {
        model_.openExchangeFolder();
        return;
    }
    if (id >= kFirstOutcomeItem && id < kFirstOutcomeItem + settings::kReturnKindCount &&
        notification == BN_CLICKED) {
        model_.selectOutcome(static_cast<settings::ReturnKind>(id - kFirstOutcomeItem));
        return;
    }
    for (std::size_t i = 0; i < kFieldPlaces.size(); ++i) {
        if (id == kFieldPlaces[i].editId && notification == EN_CHANGE && !showingField_) {
            model_.editField(static_cast<StateField>(i),
                             platform::utf16ToCp1252(windowText(edits_[i])));
        }
    }
}

void Win32MainForm::BtSalvarClick() {
    model_.save();
}

void Win32MainForm::Timer1Timer() {
    model_.timerTick();
}

void Win32MainForm::fieldChanged(StateField field, const std::string& text) {
    HWND edit = edits_[static_cast<std::size_t>(field)];
    const auto shown = platform::cp1252ToUtf16(text);
    if (windowText(edit) != shown) {  // only when it differs, so typing keeps its cursor
        showingField_ = true;
        ::SetWindowTextW(edit, shown.c_str());
        showingField_ = false;
    }
}

void Win32MainForm::statusChanged(const FormStatus&) {
    layOutStatusBar();
}

void Win32MainForm::historyChanged(const RequestHistory& history) {
    // The list mirrors the history, newest first: the new entry goes on top and the
    // oldest leaves at the limit, so a selected row keeps pointing at its entry.
    if (history.size() == 0) {
        return;
    }
    // Two lines per entry, the second wrapped at the list's width (drawn by drawEntry).
    const auto text = platform::cp1252ToUtf16(history.entries().front().twoLines());
    ::SendMessageW(historyList_, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    while (static_cast<std::size_t>(::SendMessageW(historyList_, LB_GETCOUNT, 0, 0)) >
           history.size()) {
        ::SendMessageW(historyList_, LB_DELETESTRING,
                       static_cast<WPARAM>(::SendMessageW(historyList_, LB_GETCOUNT, 0, 0) - 1), 0);
    }
    selectionChanged();
}

int Win32MainForm::lineHeight() const {
    HDC context = ::GetDC(window_);
    HGDIOBJ previousFont = ::SelectObject(context, font_.get());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(context, &metrics);
    ::SelectObject(context, previousFont);
    ::ReleaseDC(window_, context);
    return static_cast<int>(metrics.tmHeight);
}

// One history entry: its first line, then the rest wrapped at the list's width, so that
// no field hides to the right; errors in red, as on Linux.
void Win32MainForm::drawEntry(const DRAWITEMSTRUCT& item) const {
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(item.hDC, &item.rcItem,
               ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const auto length = ::SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    if (length <= 0) {
        return;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    const auto& entries = model_.history().entries();
    const bool failed = item.itemID < entries.size() && !entries[item.itemID].error.empty();
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                             : failed ? RGB(0xb0, 0x00, 0x20)
                                      : ::GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ previousFont = ::SelectObject(item.hDC, font_.get());
    RECT room = item.rcItem;
    room.left += 2;
    room.right -= 2;
    ::DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &room,
                DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    ::SelectObject(item.hDC, previousFont);
    if ((item.itemState & ODS_FOCUS) != 0) {
        ::DrawFocusRect(item.hDC, &item.rcItem);
    }
}

bool ShellDesktopOpener::open(const std::string& pathText) {
    const auto result = ::ShellExecuteW(nullptr, L"open", platform::cp1252ToUtf16(pathText).c_str(),
                                        nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;  // larger than 32 means it was opened
}

// The last request on the left, shortened to fit; the folder warning, when there is one,
// on the right at its full width.
void Win32MainForm::layOutStatusBar() {
    ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT client;
    ::GetClientRect(statusBar_, &client);
    const auto& status = model_.status();

    HDC context = ::GetDC(statusBar_);
    HGDIOBJ previousFont = ::SelectObject(context, font_.get());
    const auto widthOf = [&](std::string_view text) {
        const auto wide = platform::cp1252ToUtf16(text);
        SIZE size{};
        ::GetTextExtentPoint32W(context, wide.data(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    // The folder warning, the scenarios in force and the layout take the right, at their
    // full width.
    std::vector<std::string> rightParts;
    for (const auto* text : {&status.folderWarning, &status.scenarios, &status.layout}) {
        if (!text->empty()) {
            rightParts.push_back(*text);
        }
    }
    std::vector<int> rights;
    int right = static_cast<int>(client.right);
    for (auto part = rightParts.rbegin(); part != rightParts.rend(); ++part) {
        rights.insert(rights.begin(), right);
        right -= widthOf(*part) + 16;
    }
    const int lastRequestRight = std::max(40, right);
    rights.insert(rights.begin(), lastRequestRight);
    rights.back() = -1;  // the last part reaches the bar's end
    std::string lastRequest;
    int missing = 0;
    if (status.lastRequest) {
        const int room = lastRequestRight - 12;
        lastRequest = status.lastRequest->textFitting(
            [&](std::string_view line) { return widthOf(line) <= room; });
        // When even the line with its name cut to nothing leaves no room for the notes,
        // the window widens rather than cut a number.
        missing =
            widthOf(status.lastRequest->textFitting([](std::string_view) { return false; })) - room;
    }
    ::SelectObject(context, previousFont);
    ::ReleaseDC(statusBar_, context);
    if (missing > 0) {
        statusWidening_ += missing;
        fitWindow();  // lays the bar out again, at the new width
        return;
    }

    ::SendMessageW(statusBar_, SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0,
                   reinterpret_cast<LPARAM>(platform::cp1252ToUtf16(lastRequest).c_str()));
    if (status.lastRequest) {
        ::SendMessageW(
            statusBar_, SB_SETTIPTEXTW, 0,
            reinterpret_cast<LPARAM>(platform::cp1252ToUtf16(status.lastRequest->detail).c_str()));
    }
    for (std::size_t i = 0; i < rightParts.size(); ++i) {
        ::SendMessageW(statusBar_, SB_SETTEXTW, i + 1,
                       reinterpret_cast<LPARAM>(platform::cp1252ToUtf16(rightParts[i]).c_str()));
    }
}

int runMessageLoop(HWND window) {
    MSG message;
    BOOL got;
    while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!::IsDialogMessageW(window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

}  // namespace kelmar::ui::win32
