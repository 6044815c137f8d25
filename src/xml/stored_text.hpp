#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "xml/arena.hpp"

namespace kelmar::xml::detail {

// Texts of a tree are kept in the arena as a length (7 bits per byte, low bits first)
// followed by the bytes. A node then needs one pointer per text, and an empty text is a
// null pointer that costs nothing.
inline const char* storeText(Arena& arena, std::string_view text) {
    if (text.empty()) {
        return nullptr;
    }
    std::size_t prefix = 1;
    for (std::size_t rest = text.size() >> 7; rest != 0; rest >>= 7) {
        ++prefix;
    }
    char* out = arena.allocateBytes(prefix + text.size());
    char* cursor = out;
    std::size_t length = text.size();
    while (length >= 0x80) {
        *cursor++ = static_cast<char>((length & 0x7F) | 0x80);
        length >>= 7;
    }
    *cursor++ = static_cast<char>(length);
    std::memcpy(cursor, text.data(), text.size());
    return out;
}

inline std::string_view storedView(const char* stored) {
    if (stored == nullptr) {
        return {};
    }
    std::size_t length = 0;
    int shift = 0;
    unsigned char byte = 0;
    do {
        byte = static_cast<unsigned char>(*stored++);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        shift += 7;
    } while ((byte & 0x80) != 0);
    return {stored, length};
}

}  // namespace kelmar::xml::detail
