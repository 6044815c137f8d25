#pragma once

#include <functional>

#include "engine/simulator.hpp"

namespace kelmar::ui {

// Opens the operator's window on a simulator and runs until it is closed; returns the
// exit status. The window loads the settings when it is created.
using WindowRunner = std::function<int(engine::Simulator&)>;

// The window this build links: the Qt one on Linux, the Win32 one on Windows, or an
// empty runner when the program was built without a window. argc and argv are the
// program's own and must outlive the runner (a toolkit may read them).
WindowRunner makeWindowRunner(int& argc, char** argv);

}  // namespace kelmar::ui
