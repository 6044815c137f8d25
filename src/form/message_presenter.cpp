#include "form/message_presenter.hpp"

namespace kelmar::ui {

std::string withClosingFullStop(std::string_view message) {
    std::string text(message);
    if (!text.empty() &&
        static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
        text += '.';
    }
    return text;
}

}  // namespace kelmar::ui
