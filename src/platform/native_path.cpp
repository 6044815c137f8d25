#include "platform/native_path.hpp"

#include <algorithm>

#include "platform/text_encoding.hpp"

#ifdef _WIN32
#include "platform/win32_files.hpp"
#endif

namespace kelmar::platform {
namespace {

std::size_t lastSeparator(std::string_view pathText) {
    return pathText.find_last_of("\\/");
}

}  // namespace

std::filesystem::path toNativePath(std::string_view pathText) {
    return std::filesystem::path(toNativeText(pathText));
}

NativeText toNativeText(std::string_view pathText) {
#ifdef _WIN32
    return win32::widePath(pathText);
#else
    // Converted first and given its separators after, in one string: a backslash byte
    // never occurs inside a UTF-8 sequence.
    auto native = cp1252ToUtf8(pathText);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
#endif
}

std::string displayPath(std::string_view pathText) {
    std::string text(pathText);
#ifndef _WIN32
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
    return text;
}

std::string displayMessage(std::string_view message) {
    std::string text(message);
#ifndef _WIN32
    bool quoted = false;
    for (auto& c : text) {
        if (c == '\'') {
            quoted = !quoted;
        } else if (c == '\\' && !quoted) {
            c = '/';
        }
    }
#endif
    return text;
}

std::string_view nativeLineEnding() {
#ifdef _WIN32
    return "\r\n";
#else
    return "\n";
#endif
}

std::string_view fileNamePart(std::string_view pathText) {
    const auto at = lastSeparator(pathText);
    return at == std::string_view::npos ? pathText : pathText.substr(at + 1);
}

std::string_view folderPart(std::string_view pathText) {
    const auto at = lastSeparator(pathText);
    return at == std::string_view::npos ? std::string_view{} : pathText.substr(0, at);
}

bool isForbiddenFileName(std::string_view fileName) {
    for (const char c : fileName) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32) {
            return true;
        }
        switch (c) {
            case '<':
            case '>':
            case ':':
            case '"':
            case '|':
            case '?':
            case '*':
            case '\\':
            case '/':
                return true;
            default:
                break;
        }
    }
    return false;
}

}  // namespace kelmar::platform
