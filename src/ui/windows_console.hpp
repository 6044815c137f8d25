#pragma once

// How the Windows program (a GUI-subsystem executable) talks to a console: it has none
// of its own, so it uses the handles it was given (a file or a pipe) or attaches to the
// console of the program that started it (cmd.exe, PowerShell).
#ifdef _WIN32

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace kelmar::ui {

// The program's arguments, without the program's name, from the UTF-16 command line and
// in UTF-8, the form the command line parser takes.
std::vector<std::string> wideCommandLineArguments();

// A stream buffer over a standard handle. UTF-8 text goes to a console through the wide
// console API, so accented letters show right whatever the console's code page; to a
// file or a pipe it goes unchanged, as on Linux. Written out at every flush.
class StandardHandleBuffer final : public std::streambuf {
  public:
    explicit StandardHandleBuffer(void* handle) : handle_(handle) {}
    ~StandardHandleBuffer() override { sync(); }

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

  private:
    void* handle_;
    std::string pending_;
};

// Standard output and standard error of the program, found as described above.
class ConsoleStreams {
  public:
    ConsoleStreams();
    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }

  private:
    StandardHandleBuffer outBuffer_;
    StandardHandleBuffer errBuffer_;
    std::ostream out_;
    std::ostream err_;
};

}  // namespace kelmar::ui

#endif
