#include <string_view>
#include <vector>

#include "app/application.hpp"
#include "form/window_runner.hpp"
#include "platform/console_streams.hpp"

int main(int argc, char** argv) {
    const auto utf8Arguments = kelmar::platform::programArguments(argc, argv);
    const std::vector<std::string_view> arguments(utf8Arguments.begin(), utf8Arguments.end());
    kelmar::platform::ConsoleStreams console;
    return kelmar::ui::runApplication(arguments, console.out(), console.err(),
                                      kelmar::ui::makeWindowRunner(argc, argv));
}
