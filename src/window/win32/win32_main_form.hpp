#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <type_traits>

#include "form/form_model.hpp"
#include "form/message_presenter.hpp"
#include "window/win32/win32_answer_view.hpp"

namespace kelmar::ui::win32 {

// Opens files and folders the way Explorer does (a folder in a new Explorer window).
class ShellDesktopOpener final : public DesktopOpener {
  public:
    bool open(const std::string& pathText) override;
};

// The operator's window in plain Win32: the three counters and the exchange folder, a
// Save button, the outcome to simulate, the status bar and the timer that drives the
// engine once a second. All it does beyond showing controls is the form model's; this
// class only binds the model to Win32 controls and messages.
class Win32MainForm final : private FormObserver {
  public:
    // Creates the window and its controls, runs FormCreate on the model and starts the
    // timer; the window is shown by show(). Errors a handler lets out go to `presenter`.
    Win32MainForm(FormModel& model, MessagePresenter& presenter, HINSTANCE instance);
    ~Win32MainForm() override;
    Win32MainForm(const Win32MainForm&) = delete;
    Win32MainForm& operator=(const Win32MainForm&) = delete;

    HWND handle() const { return window_; }
    void show(int showCommand);

    // Saves the four fields.
    void BtSalvarClick();
    // One polling tick. Held back while an error message from an earlier one is open.
    void Timer1Timer();

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void command(int id, int notification);
    void buildControls(HINSTANCE instance);
    HWND addControl(const wchar_t* className, std::string_view text, DWORD style, int id,
                    RECT place, HINSTANCE instance, DWORD extendedStyle = 0);
    void buildHistory(HINSTANCE instance);
    void showHistory(bool shown);
    void selectionChanged();
    void fitWindow();
    void layOutStatusBar();
    int lineHeight() const;
    void drawEntry(const DRAWITEMSTRUCT& item) const;
    void fieldChanged(settings::StateField field, const std::string& text) override;
    void statusChanged(const FormStatus& status) override;
    void historyChanged(const RequestHistory& history) override;

    struct FontDeleter {
        void operator()(HFONT font) const { ::DeleteObject(font); }
    };

    FormModel& model_;
    MessagePresenter& presenter_;
    ShellDesktopOpener opener_;
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font_;
    HWND window_ = nullptr;
    std::array<HWND, settings::kStateFieldCount> edits_{};  // ELote, ERecibo, EProtocolo, EPasta
    HWND statusBar_ = nullptr;
    // How much wider than its controls the window was made for the status line.
    int statusWidening_ = 0;
    HWND historyToggle_ = nullptr;
    HWND historyList_ = nullptr;
    HWND openAnswer_ = nullptr;
    HWND openFolder_ = nullptr;
    std::unique_ptr<Win32AnswerView> answerView_;  // the last answer view opened
    HWND focus_ = nullptr;       // the control that had the focus when the window lost it
    bool showingField_ = false;  // a field is being set from the model, not typed
};

// Runs the message loop until the window is closed, with the dialog keys (Tab, arrow
// keys in the outcome group) working on the window's controls; returns the exit status.
int runMessageLoop(HWND window);

}  // namespace kelmar::ui::win32
