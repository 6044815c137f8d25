#pragma once

#include "engine/simulator.hpp"

namespace kelmar::ui {

// Opens the operator's window on the simulator and runs until it is closed.
int runWindow(int& argc, char** argv, engine::Simulator& simulator);

}  // namespace kelmar::ui
