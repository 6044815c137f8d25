#include "window/win32/win32_message_box.hpp"

#include "form/form_texts.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::ui::win32 {

void Win32MessageBoxPresenter::showError(std::string_view message) {
    ::MessageBoxW(owner_, platform::cp1252ToUtf16(withClosingFullStop(message)).c_str(),
                  platform::cp1252ToUtf16(kFormCaption).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace kelmar::ui::win32
