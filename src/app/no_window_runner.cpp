// The program built without a window: runApplication then runs headless.
#include "form/window_runner.hpp"

namespace kelmar::ui {

WindowRunner makeWindowRunner(int&, char**) {
    return {};
}

}  // namespace kelmar::ui
