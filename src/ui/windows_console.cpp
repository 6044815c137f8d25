#include "ui/windows_console.hpp"

#ifdef _WIN32

#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include "platform/text_encoding.hpp"

namespace kelmar::ui {
namespace {

std::string toUtf8(const wchar_t* text) {
    std::string utf8;
    for (; *text != L'\0'; ++text) {
        char32_t c = static_cast<char32_t>(*text);
        // A surrogate pair is one character; a lone surrogate cannot be UTF-8.
        if (c >= 0xD800 && c <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[1]) - 0xDC00);
            ++text;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        platform::appendUtf8(utf8, c);
    }
    return utf8;
}

std::wstring toUtf16(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

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

}  // namespace

std::vector<std::string> wideCommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (list == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.push_back(toUtf8(list[i]));
    }
    ::LocalFree(list);
    return arguments;
}

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
        const auto wide = toUtf16(pending_);
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

ConsoleStreams::ConsoleStreams()
    : outBuffer_(standardHandle(STD_OUTPUT_HANDLE)),
      errBuffer_(standardHandle(STD_ERROR_HANDLE)),
      out_(&outBuffer_),
      err_(&errBuffer_) {}

}  // namespace kelmar::ui

#endif
