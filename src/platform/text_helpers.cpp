#include "platform/text_helpers.hpp"

namespace kelmar::platform {
namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view trimText(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string removeAll(std::string_view text, std::string_view fragment) {
    return replaceAll(text, fragment, {});
}

std::string replaceAll(std::string_view text, std::string_view fragment,
                       std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    while (true) {
        const auto at = text.find(fragment);
        if (at == text.npos || fragment.empty()) {
            out += text;
            return out;
        }
        out += text.substr(0, at);
        out += replacement;
        text.remove_prefix(at + fragment.size());
    }
}

}  // namespace kelmar::platform
