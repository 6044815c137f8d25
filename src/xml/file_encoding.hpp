#pragma once

#include <cstdint>

namespace kelmar::xml {

// The character encoding a load found from the first bytes of the input. The values are
// the codes documents report, so they are fixed.
enum class FileEncoding : std::uint8_t {
    EightBit = 0,  // one byte per character, no conversion
    FourByteBigEndian = 1,
    FourByteLittleEndian = 2,
    FourByteOrder2143 = 3,
    FourByteOrder3412 = 4,
    SixteenBitBigEndian = 5,
    SixteenBitLittleEndian = 6,
    Utf8 = 7,
    Utf16BigEndian = 8,
    Utf16LittleEndian = 9,
    Ebcdic = 10
};

// True for the encodings the reader can deliver one byte per character from.
constexpr bool isReadable(FileEncoding encoding) {
    switch (encoding) {
        case FileEncoding::EightBit:
        case FileEncoding::SixteenBitBigEndian:
        case FileEncoding::SixteenBitLittleEndian:
        case FileEncoding::Utf8:
        case FileEncoding::Utf16BigEndian:
        case FileEncoding::Utf16LittleEndian:
            return true;
        default:
            return false;
    }
}

// True for the encodings with two bytes per character.
constexpr bool isSixteenBit(FileEncoding encoding) {
    switch (encoding) {
        case FileEncoding::SixteenBitBigEndian:
        case FileEncoding::SixteenBitLittleEndian:
        case FileEncoding::Utf16BigEndian:
        case FileEncoding::Utf16LittleEndian:
            return true;
        default:
            return false;
    }
}

constexpr bool isBigEndian(FileEncoding encoding) {
    return encoding == FileEncoding::SixteenBitBigEndian ||
           encoding == FileEncoding::Utf16BigEndian;
}

}  // namespace kelmar::xml
