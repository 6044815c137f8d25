#include "platform/text_encoding.hpp"

#include <algorithm>
#include <array>

namespace kelmar::platform {
namespace {

// Code points of the bytes 0x80 to 0x9F.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at text[pos]; advances pos. Yields nothing for a
// malformed sequence (pos then moves past one byte).
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return std::nullopt;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        value = (value << 6) | (next & 0x3F);
    }
    pos += static_cast<std::size_t>(length);
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return value;
}

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Decodes one UTF-16 character at text[pos]; advances pos past it. A lone surrogate
// yields U+FFFD.
char32_t decodeUtf16(std::wstring_view text, std::size_t& pos) {
    const wchar_t unit = text[pos++];
    if (isHighSurrogate(unit) && pos < text.size() && isLowSurrogate(text[pos])) {
        const auto low = static_cast<char32_t>(text[pos++]);
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
        return 0xFFFD;
    }
    return static_cast<char32_t>(unit);
}

void appendUtf16(std::wstring& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<wchar_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF)));
}

}  // namespace

char32_t cp1252ToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControlRange[byte - 0x80];
    }
    return byte;
}

std::optional<unsigned char> codePointToCp1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<unsigned char>(codePoint);
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == codePoint) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string cp1252ToUtf8(std::string_view text) {
    // Most texts are plain ASCII, which reads the same in both: copied whole.
    const auto firstHigh = std::find_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    std::string out(text.begin(), firstHigh);
    if (firstHigh == text.end()) {
        return out;
    }
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text.substr(static_cast<std::size_t>(firstHigh - text.begin()))) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            appendUtf8(out, cp1252ToCodePoint(byte));
        }
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto cp = decodeUtf8(text, pos);
        const auto byte = cp ? codePointToCp1252(*cp) : std::nullopt;
        out.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return out;
}

std::optional<std::string> utf8ToCp1252Exact(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto cp = decodeUtf8(text, pos);
        if (!cp) {
            return std::nullopt;
        }
        const auto byte = codePointToCp1252(*cp);
        if (!byte) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(*byte));
    }
    return out;
}

std::wstring cp1252ToUtf16(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text) {
        wide.push_back(static_cast<wchar_t>(cp1252ToCodePoint(static_cast<unsigned char>(c))));
    }
    return wide;
}

std::string utf16ToCp1252(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto byte = codePointToCp1252(decodeUtf16(text, pos));
        narrow.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return narrow;
}

std::optional<std::string> utf16ToCp1252Exact(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const wchar_t unit : text) {
        const auto byte = codePointToCp1252(static_cast<char32_t>(unit));
        if (!byte) {
            return std::nullopt;
        }
        narrow.push_back(static_cast<char>(*byte));
    }
    return narrow;
}

std::wstring utf8ToUtf16(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        appendUtf16(wide, decodeUtf8(text, pos).value_or(0xFFFD));
    }
    return wide;
}

std::string utf16ToUtf8(std::wstring_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        appendUtf8(utf8, decodeUtf16(text, pos));
    }
    return utf8;
}

unsigned char cp1252ToUpper(unsigned char byte) {
    if (byte >= 'a' && byte <= 'z') {
        return static_cast<unsigned char>(byte - 0x20);
    }
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) {
        return static_cast<unsigned char>(byte - 0x20);
    }
    switch (byte) {
        case 0x9A:
            return 0x8A;  // š
        case 0x9C:
            return 0x8C;  // œ
        case 0x9E:
            return 0x8E;  // ž
        case 0xFF:
            return 0x9F;  // ÿ
        default:
            return byte;
    }
}

}  // namespace kelmar::platform
