#include <iostream>
#include <string_view>
#include <vector>

#include "ui/application.hpp"

#ifdef KELMAR_WITH_WINDOW
#include "ui/window_runner.hpp"
#endif

int main(int argc, char** argv) {
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    kelmar::ui::WindowRunner windowRunner;
#ifdef KELMAR_WITH_WINDOW
    windowRunner = [&](kelmar::engine::Simulator& simulator) {
        return kelmar::ui::runWindow(argc, argv, simulator);
    };
#endif
    return kelmar::ui::runApplication(arguments, std::cout, std::cerr, windowRunner);
}
