#pragma once

#include <windows.h>

#include "form/message_presenter.hpp"

namespace kelmar::ui::win32 {

// Shows errors in a modal box over the window, with an error icon and one OK button,
// captioned with the application's title. While it is open its own message loop keeps
// the window's timer events coming; the form model holds them back.
class Win32MessageBoxPresenter final : public MessagePresenter {
  public:
    void setOwner(HWND owner) { owner_ = owner; }
    void showError(std::string_view message) override;

  private:
    HWND owner_ = nullptr;
};

}  // namespace kelmar::ui::win32
