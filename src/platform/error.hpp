#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kelmar {

// Every failure the system reports to the operator is one of these. The message is
// Windows-1252 text, like every other text inside the system; it is converted only
// where it leaves the program (terminal, message box).
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Replaces the first "%s" of a message template by the argument.
std::string formatMessage(std::string_view messageTemplate, std::string_view argument);

}  // namespace kelmar
