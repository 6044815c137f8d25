#include "xml/text_functions.hpp"

#include <array>
#include <cstdio>
#include <optional>

#include "platform/text_encoding.hpp"

namespace kelmar::xml {
namespace {

constexpr std::string_view kAccented =
    "\xE1\xE9\xED\xF3\xFA\xE0\xE8\xEC\xF2\xF9\xE3\xF5\xE2\xEA\xEE\xF4\xFB\xE7\xFC\xFD\xFF\xF1"
    "\xC1\xC9\xCD\xD3\xDA\xC0\xC8\xCC\xD2\xD9\xC2\xCA\xCE\xD4\xDB\xC3\xD5\xC7\xDC\xDD\x9F\xD1";
constexpr std::string_view kPlain = "aeiouaeiouaoaeioucuyynAEIOUAEIOUAEIOUAOCUYYN";
static_assert(kAccented.size() == 44 && kPlain.size() == 44);

constexpr std::array<char, 256> makeFoldTable() {
    std::array<char, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<char>(i);
    }
    for (std::size_t i = 0; i < kAccented.size(); ++i) {
        table[static_cast<unsigned char>(kAccented[i])] = kPlain[i];
    }
    return table;
}
constexpr std::array<char, 256> kFoldTable = makeFoldTable();

bool isWhitespace(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
bool isQuote(char c) {
    return c == '"' || c == '\'';
}

// Digits only: no sign, no prefix, no spaces. Values beyond the limit count as too large.
std::optional<unsigned long> parseNumber(std::string_view digits, unsigned base) {
    if (digits.empty()) {
        return std::nullopt;
    }
    unsigned long value = 0;
    for (const char c : digits) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > 0x10FFFF) {
            value = 0x110000;  // stays "too large" however many digits follow
        }
    }
    return value;
}

void appendReference(std::string& out, std::string_view reference, bool storedUtf8) {
    if (reference.size() >= 3 && reference[1] == '#') {
        std::string_view digits = reference.substr(2, reference.size() - 3);
        unsigned base = 10;
        if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
            digits.remove_prefix(1);
            base = 16;
        }
        const auto value = parseNumber(digits, base);
        if (value && !storedUtf8 && *value <= 254) {
            out.push_back(static_cast<char>(*value));
            return;
        }
        if (value && storedUtf8 && *value <= 65534) {
            platform::appendUtf8(out, static_cast<char32_t>(*value));
            return;
        }
        out += reference;
        return;
    }
    if (reference == "&amp;") {
        out.push_back('&');
    } else if (reference == "&lt;") {
        out.push_back('<');
    } else if (reference == "&gt;") {
        out.push_back('>');
    } else if (reference == "&apos;") {
        out.push_back('\'');
    } else if (reference == "&quot;") {
        out.push_back('"');
    } else {
        out += reference;
    }
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

std::string quoteAttributeValue(std::string_view escapedValue) {
    std::string out;
    out.reserve(escapedValue.size() + 2);
    out.push_back('"');
    out += escapedValue;
    out.push_back('"');
    return out;
}

std::string dateTimeText(const platform::LocalDateTime& v) {
    char text[96];
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
    for (;;) {
        const auto ampersand = text.find('&');
        if (ampersand == std::string_view::npos) {
            out += text;
            return out;
        }
        out += text.substr(0, ampersand);
        text.remove_prefix(ampersand);
        const auto semicolon = text.find(';');
        if (semicolon == std::string_view::npos) {
            out += text;
            return out;
        }
        appendReference(out, text.substr(0, semicolon + 1), storedUtf8);
        text.remove_prefix(semicolon + 1);
    }
}

std::string unquoteValue(std::string_view text) {
    if (text.size() < 2 || !isQuote(text[0])) {
        return std::string(text);
    }
    const char quote = text[0];
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            out.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            out.push_back(quote);
            ++i;
        } else {
            return out;
        }
    }
    // No closing quote: everything after the opening one except the last character.
    return std::string(text.substr(1, text.size() - 2));
}

std::vector<std::string> splitWords(std::string_view text) {
    while (!text.empty() && isWhitespace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isWhitespace(text.back())) {
        text.remove_suffix(1);
    }
    // Raw words are stretches of the text between whitespace outside quotes.
    std::vector<std::string_view> raw;
    char quote = 0;
    std::size_t start = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote == 0 && isWhitespace(c)) {
            if (start != std::string_view::npos) {
                raw.push_back(text.substr(start, i - start));
                start = std::string_view::npos;
            }
            continue;
        }
        if (start == std::string_view::npos) {
            start = i;
        }
        if (quote != 0) {
            quote = c == quote ? '\0' : quote;
        } else if (isQuote(c)) {
            quote = c;
        }
    }
    if (start != std::string_view::npos) {
        raw.push_back(text.substr(start));
    }
    // A word starting with "=" belongs to the word before it. Joining forwards gives the
    // same words as joining from the last one back, in linear time.
    std::vector<std::string> joined;
    for (const std::string_view word : raw) {
        if (!joined.empty() && word.front() == '=') {
            joined.back() += word;
        } else {
            joined.emplace_back(word);
        }
    }
    // Then a quoted word belongs to the word before it when that one holds "=" (as it was
    // before this step).
    std::vector<std::string> words;
    bool previousHoldsEquals = false;
    for (std::string& word : joined) {
        const bool holdsEquals = word.find('=') != std::string::npos;
        if (!words.empty() && isQuote(word.front()) && previousHoldsEquals) {
            words.back() += word;
        } else {
            words.push_back(std::move(word));
        }
        previousHoldsEquals = holdsEquals;
    }
    return words;
}

}  // namespace kelmar::xml
