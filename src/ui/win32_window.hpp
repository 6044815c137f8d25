#pragma once

#include "engine/simulator.hpp"

namespace kelmar::ui {

// The operator's window of the Windows program: opens it on the simulator and runs the
// message loop until it is closed; returns the exit status. The Win32 window implements
// this one function; until it does, the build says so in a message box.
int runWin32Window(engine::Simulator& simulator);

}  // namespace kelmar::ui
