#include "platform/error.hpp"

namespace kelmar {

std::string formatMessage(std::string_view messageTemplate, std::string_view argument) {
    std::string text(messageTemplate);
    if (const auto at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

}  // namespace kelmar
