#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include <streambuf>

#include "platform/console_streams.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::platform {
namespace {

bool isUsable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The handle for one standard stream: the one inherited, or the console of the parent.
HANDLE standardHandle(DWORD which) {
    HANDLE handle = ::GetStdHandle(which);
    if (isUsable(handle)) {
        return handle;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS) || ::GetLastError() == ERROR_ACCESS_DENIED) {
        handle = ::GetStdHandle(which);
        if (!isUsable(handle)) {
            handle = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
            if (isUsable(handle)) {
                ::SetStdHandle(which, handle);
            }
        }
    }
    return isUsable(handle) ? handle : nullptr;  // no console: the text goes nowhere
}

// A stream buffer over a standard handle, written out at every flush.
class StandardHandleBuffer final : public std::streambuf {
  public:
    explicit StandardHandleBuffer(HANDLE handle) : handle_(handle) {}
    ~StandardHandleBuffer() override { sync(); }

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

  private:
    HANDLE handle_;
    std::string pending_;
};

}  // namespace

std::vector<std::string> programArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (list == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.push_back(utf16ToUtf8(list[i]));
    }
    ::LocalFree(list);
    return arguments;
}

namespace {

StandardHandleBuffer::int_type StandardHandleBuffer::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        pending_.push_back(traits_type::to_char_type(c));
    }
    return traits_type::not_eof(c);
}

std::streamsize StandardHandleBuffer::xsputn(const char* data, std::streamsize size) {
    pending_.append(data, static_cast<std::size_t>(size));
    return size;
}

int StandardHandleBuffer::sync() {
    if (pending_.empty() || handle_ == nullptr) {
        pending_.clear();
        return 0;
    }
    DWORD mode = 0;
    bool written = true;
    if (::GetConsoleMode(handle_, &mode)) {
        const auto wide = utf8ToUtf16(pending_);
        DWORD done = 0;
        written = ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &done,
                                  nullptr) != 0;
    } else {
        std::size_t offset = 0;
        while (offset < pending_.size()) {
            DWORD done = 0;
            if (!::WriteFile(handle_, pending_.data() + offset,
                             static_cast<DWORD>(pending_.size() - offset), &done, nullptr) ||
                done == 0) {
                written = false;  // a closed pipe: the requests are still served
                break;
            }
            offset += done;
        }
    }
    pending_.clear();
    return written ? 0 : -1;
}

}  // namespace

struct ConsoleStreams::State {
    StandardHandleBuffer outBuffer{standardHandle(STD_OUTPUT_HANDLE)};
    StandardHandleBuffer errBuffer{standardHandle(STD_ERROR_HANDLE)};
    std::ostream out{&outBuffer};
    std::ostream err{&errBuffer};
};

ConsoleStreams::ConsoleStreams() : state_(std::make_unique<State>()) {}
ConsoleStreams::~ConsoleStreams() = default;

std::ostream& ConsoleStreams::out() {
    return state_->out;
}

std::ostream& ConsoleStreams::err() {
    return state_->err;
}

}  // namespace kelmar::platform
