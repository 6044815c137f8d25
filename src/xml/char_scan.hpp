#pragma once

#include <array>
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelmar::xml::detail {

// Classes of the bytes the reader's scanning loops stop at or look for: one table lookup
// per byte instead of a chain of comparisons.
enum CharClass : std::uint8_t {
    kEndsText = 1,  // "<", and the zero byte that ends the input
    kEndsTag = 2,   // ">", and the zero byte
    kWhitespace = 4,
    kVisible = 8,  // above code 32
    kCarriageReturn = 16
};

inline constexpr std::array<std::uint8_t, 256> kCharClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    classes[0] = kEndsText | kEndsTag;
    classes['<'] |= kEndsText;
    classes['>'] |= kEndsTag;
    for (const unsigned char c : {' ', '\t', '\n', '\r'}) {
        classes[c] |= kWhitespace;
    }
    for (std::size_t c = 33; c < classes.size(); ++c) {
        classes[c] |= kVisible;
    }
    classes['\r'] |= kCarriageReturn;
    return classes;
}();

// The first byte from p on that ends a content text ("<" or zero), or end. seen gains
// kVisible and kCarriageReturn when such bytes come before it (and maybe other classes).
// Where SSE2 is there, sixteen bytes are looked at per step: NF-e texts such as product
// names and the signature are long enough for it to pay.
inline const unsigned char* scanText(const unsigned char* p, const unsigned char* end,
                                     std::uint8_t& seen) {
#if defined(__SSE2__)
    const __m128i lessThan = _mm_set1_epi8('<');
    const __m128i zero = _mm_setzero_si128();
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i signBit = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i space = _mm_set1_epi8(static_cast<char>(' ' ^ 0x80));
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto stops = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, lessThan), _mm_cmpeq_epi8(bytes, zero))));
        const unsigned before = stops == 0 ? 0xFFFFu : (stops & (0u - stops)) - 1;
        // Above 32 as unsigned bytes: flipping the sign bit makes it a signed comparison.
        const auto visible = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpgt_epi8(_mm_xor_si128(bytes, signBit), space)));
        const auto returns =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, carriageReturn)));
        if ((visible & before) != 0) {
            seen |= kVisible;
        }
        if ((returns & before) != 0) {
            seen |= kCarriageReturn;
        }
        if (stops != 0) {
            return p + std::countr_zero(stops);
        }
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        const std::uint8_t classes = kCharClasses[*p];
        if ((classes & kEndsText) != 0) {
            break;
        }
        seen |= classes;
    }
    return p;
}

}  // namespace kelmar::xml::detail
