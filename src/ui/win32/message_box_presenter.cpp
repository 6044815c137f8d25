#include "ui/win32/message_box_presenter.hpp"

#include "ui/form_texts.hpp"
#include "ui/win32/window_text.hpp"

namespace kelmar::ui::win32 {

void MessageBoxPresenter::showError(std::string_view message) {
    ::MessageBoxW(owner_, toWide(withClosingFullStop(message)).c_str(),
                  toWide(kFormCaption).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace kelmar::ui::win32
