#include "xml/text_functions.hpp"

#include <array>
#include <cstdio>

#include "platform/text_encoding.hpp"

namespace kelmar::xml {
namespace {

// Windows-1252 accented letters and their plain forms, position by position.
constexpr std::string_view kAccented =
    "\xE1\xE9\xED\xF3\xFA\xE0\xE8\xEC\xF2\xF9\xE3\xF5\xE2\xEA\xEE\xF4\xFB\xE7\xFC\xFD\xFF\xF1"
    "\xC1\xC9\xCD\xD3\xDA\xC0\xC8\xCC\xD2\xD9\xC2\xCA\xCE\xD4\xDB\xC3\xD5\xC7\xDC\xDD\x9F\xD1";
constexpr std::string_view kPlain = "aeiouaeiouaoaeioucuyynAEIOUAEIOUAEIOUAOCUYYN";
static_assert(kAccented.size() == 44 && kPlain.size() == 44);

constexpr std::array<char, 256> makeFoldTable() {
    std::array<char, 256> table{};
    for (int i = 0; i < 256; ++i) {
        table[static_cast<std::size_t>(i)] = static_cast<char>(i);
    }
    for (std::size_t i = 0; i < kAccented.size(); ++i) {
        table[static_cast<unsigned char>(kAccented[i])] = kPlain[i];
    }
    return table;
}
constexpr auto kFoldTable = makeFoldTable();

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// A numeric reference's digits; nothing unless every character is a digit of the base.
bool parseReferenceNumber(std::string_view digits, int base, long& value) {
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= base) {
            return false;
        }
        value = value * base + digit;
    }
    return true;
}

}  // namespace

std::string escapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.push_back(c);
                break;
        }
    }
    return out;
}

std::string foldAccents(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = kFoldTable[static_cast<unsigned char>(c)];
    }
    return out;
}

std::string toUtf8(std::string_view text) {
    return platform::cp1252ToUtf8(text);
}

std::string quoteAttributeValue(std::string_view escapedValue) {
    std::string out;
    out.reserve(escapedValue.size() + 2);
    out += '"';
    out += escapedValue;
    out += '"';
    return out;
}

std::string dateTimeText(const platform::LocalDateTime& v) {
    char text[64];
    if (v.hour == 0 && v.minute == 0 && v.second == 0 && v.millisecond == 0) {
        std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", v.year, v.month, v.day);
    } else {
        std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3dZ", v.year, v.month,
                      v.day, v.hour, v.minute, v.second, v.millisecond);
    }
    return text;
}

std::string decodeText(std::string_view text, bool storedUtf8) {
    std::string out;
    out.reserve(text.size());
    while (true) {
        const auto amp = text.find('&');
        if (amp == text.npos) {
            out += text;
            return out;
        }
        out += text.substr(0, amp);
        const auto semicolon = text.find(';', amp);
        if (semicolon == text.npos) {
            out += text.substr(amp);
            return out;
        }
        const auto reference = text.substr(amp, semicolon - amp + 1);
        text.remove_prefix(semicolon + 1);
        if (reference.starts_with("&#")) {
            auto digits = reference.substr(2, reference.size() - 3);
            int base = 10;
            if (!digits.empty() && (digits.front() == 'x' || digits.front() == 'X')) {
                base = 16;
                digits.remove_prefix(1);
            }
            long value = 0;
            const long limit = storedUtf8 ? 65534 : 254;
            if (parseReferenceNumber(digits, base, value) && value <= limit) {
                if (storedUtf8) {
                    platform::appendUtf8(out, static_cast<char32_t>(value));
                } else {
                    out.push_back(static_cast<char>(value));
                }
            } else {
                out += reference;
            }
        } else if (reference == "&amp;") {
            out += '&';
        } else if (reference == "&lt;") {
            out += '<';
        } else if (reference == "&gt;") {
            out += '>';
        } else if (reference == "&apos;") {
            out += '\'';
        } else if (reference == "&quot;") {
            out += '"';
        } else {
            out += reference;
        }
    }
}

std::string unquoteValue(std::string_view text) {
    if (text.size() < 2 || (text.front() != '"' && text.front() != '\'')) {
        return std::string(text);
    }
    const char quote = text.front();
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            out.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            out.push_back(quote);  // a doubled quote stands for one
            ++i;
        } else {
            return out;  // the closing quote; what follows it is dropped
        }
    }
    // No closing quote: the rest of the text without its last character.
    return std::string(text.substr(1, text.size() - 2));
}

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t first = 0;
    while (first < text.size() && isXmlWhitespace(text[first])) {
        ++first;
    }
    std::size_t last = text.size();
    while (last > first && isXmlWhitespace(text[last - 1])) {
        --last;
    }
    text = text.substr(first, last - first);
    char quote = 0;
    std::size_t wordStart = 0;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (isXmlWhitespace(c)) {
            if (inWord) {
                words.emplace_back(text.substr(wordStart, i - wordStart));
                inWord = false;
            }
            continue;
        }
        if (!inWord) {
            wordStart = i;
            inWord = true;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        }
    }
    if (inWord) {
        words.emplace_back(text.substr(wordStart));
    }
    for (std::size_t i = words.size(); i-- > 1;) {
        if (words[i].front() == '=') {
            words[i - 1] += words[i];
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (std::size_t i = words.size(); i-- > 1;) {
        const char c = words[i].front();
        if ((c == '"' || c == '\'') && words[i - 1].find('=') != std::string::npos) {
            words[i - 1] += words[i];
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return words;
}

std::string_view trimControls(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    if (a == b) {
        return true;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace kelmar::xml
