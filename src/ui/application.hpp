#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string_view>

#include "engine/simulator.hpp"

namespace kelmar::ui {

// Opens the window on a simulator; empty when the program was built without one.
using WindowRunner = std::function<int(engine::Simulator&)>;

// The program: parses the command line and runs the window or the headless runner.
// Returns the process exit status.
int runApplication(std::span<const std::string_view> arguments, std::ostream& out,
                   std::ostream& err, const WindowRunner& windowRunner = {});

}  // namespace kelmar::ui
