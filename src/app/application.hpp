#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string_view>

#include "form/window_runner.hpp"

namespace kelmar::ui {

// The program: parses the command line and runs the window or the headless runner.
// Returns the process exit status.
int runApplication(std::span<const std::string_view> arguments, std::ostream& out,
                   std::ostream& err, const WindowRunner& windowRunner = {});

}  // namespace kelmar::ui
