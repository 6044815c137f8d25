#include <iostream>

#include "platform/console_streams.hpp"

namespace kelmar::platform {

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

struct ConsoleStreams::State {};

ConsoleStreams::ConsoleStreams() = default;
ConsoleStreams::~ConsoleStreams() = default;

std::ostream& ConsoleStreams::out() {
    return std::cout;
}

std::ostream& ConsoleStreams::err() {
    return std::cerr;
}

}  // namespace kelmar::platform
