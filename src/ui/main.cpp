#include <iostream>
#include <string_view>
#include <vector>

#include "ui/application.hpp"

int main(int argc, char** argv) {
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return kelmar::ui::runApplication(arguments, std::cout, std::cerr);
}
