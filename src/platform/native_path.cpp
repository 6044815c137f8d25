#include "platform/native_path.hpp"

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
#ifdef _WIN32
    return std::filesystem::path(win32::widePath(pathText));
#else
    std::string utf8 = cp1252ToUtf8(pathText);
    for (char& c : utf8) {
        if (c == '\\') {
            c = '/';
        }
    }
    return std::filesystem::path(std::move(utf8));
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
