#include "ui/win32/window_text.hpp"

#include "platform/text_encoding.hpp"

namespace kelmar::ui::win32 {
namespace {

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::wstring toWide(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text) {
        wide.push_back(
            static_cast<wchar_t>(platform::cp1252ToCodePoint(static_cast<unsigned char>(c))));
    }
    return wide;
}

std::string fromWide(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            ++i;  // one character outside the code page
            narrow.push_back('?');
            continue;
        }
        const auto byte = platform::codePointToCp1252(static_cast<char32_t>(unit));
        narrow.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return narrow;
}

}  // namespace kelmar::ui::win32
