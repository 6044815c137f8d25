#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace kelmar::platform {

// The program's arguments, without the program's name, in UTF-8, the form the command
// line parser takes. On Windows they come from the UTF-16 command line: argv holds them
// in the ANSI code page, which loses every letter it lacks.
std::vector<std::string> programArguments(int argc, char** argv);

// Standard output and standard error of the program. On POSIX these are std::cout and
// std::cerr. The Windows program (a GUI-subsystem executable) has no console of its own,
// so it uses the handles it was given (a file or a pipe) or attaches to the console of
// the program that started it (cmd.exe, PowerShell); UTF-8 text goes to a console
// through the wide console API, so accented letters show right whatever its code page,
// and to a file or a pipe unchanged, written out at every flush.
class ConsoleStreams {
  public:
    ConsoleStreams();
    ~ConsoleStreams();
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;

    std::ostream& out();
    std::ostream& err();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kelmar::platform
