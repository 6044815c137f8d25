#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/application.hpp"

#ifdef KELMAR_WITH_WINDOW
#include "ui/window_runner.hpp"
#endif
#ifdef _WIN32
#include "ui/win32_window.hpp"
#include "ui/windows_console.hpp"
#endif

#ifdef _WIN32
// The arguments come from the UTF-16 command line (argv holds them in the ANSI code page,
// which loses every letter it lacks), and the text goes out through the console streams.
int main() {
    const auto utf8Arguments = kelmar::ui::wideCommandLineArguments();
    const std::vector<std::string_view> arguments(utf8Arguments.begin(), utf8Arguments.end());
    kelmar::ui::ConsoleStreams console;
    const kelmar::ui::WindowRunner windowRunner = [](kelmar::engine::Simulator& simulator) {
        return kelmar::ui::runWin32Window(simulator);
    };
    return kelmar::ui::runApplication(arguments, console.out(), console.err(), windowRunner);
}
#else
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
#endif
