#pragma once

#include "engine/simulator.hpp"

namespace kelmar::ui {

// The operator's window of the Windows program: opens it on the simulator and runs the
// message loop until it is closed; returns the exit status.
int runWin32Window(engine::Simulator& simulator);

}  // namespace kelmar::ui
