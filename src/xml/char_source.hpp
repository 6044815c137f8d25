#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "platform/input_file.hpp"

namespace kelmar::xml::detail {

inline constexpr int kEncoding8Bit = 0;
inline constexpr int kEncodingUtf8 = 7;
inline constexpr int kEncodingUtf16BigEndian = 8;
inline constexpr int kEncodingUtf16LittleEndian = 9;

// What get() returns at the end of the file and for a zero character.
inline constexpr int kEndOfInput = -1;

// Delivers a file's characters one at a time, narrowed to one byte each, from 64 KiB pages.
// 8-bit and UTF-8 files are delivered byte for byte; a UTF-16 file is narrowed, every
// code unit of 256 or more becoming "?". The last few characters stay behind each page
// refill, so the reader can always step back over what it just read.
class CharSource {
  public:
    static constexpr std::size_t kPageSize = 65536;
    static constexpr std::size_t kHistory = 16;

    explicit CharSource(platform::InputFile& file);
    CharSource(const CharSource&) = delete;
    CharSource& operator=(const CharSource&) = delete;

    // Reads the file's first bytes and chooses the encoding from its signature. Raises
    // EStreamError "Unsupported string encoding" for the four-byte forms and EBCDIC, and
    // for an empty file (whose missing bytes match the first signature).
    void start();

    int encoding() const { return encoding_; }

    // A declaration asked for UTF-8. Bytes of an 8-bit file are delivered unchanged all the
    // same; a UTF-16 file keeps being read as UTF-16.
    void switchToUtf8();

    // The next character, or kEndOfInput at the end of the file or at a zero character
    // (which is consumed: the next call delivers what follows it).
    int get() {
        if (cursor_ < end_) {
            const unsigned char c = *cursor_++;
            return c != 0 ? c : kEndOfInput;
        }
        return getSlow();
    }

    // Steps back over the last delivered character (never more than kHistory).
    void stepBack() { --cursor_; }

    // True when every character of the file has been delivered.
    bool atEnd() { return cursor_ == end_ && !refill(); }

    // The characters of the current page not yet delivered, for scanning in bulk.
    const unsigned char* cursor() const { return cursor_; }
    const unsigned char* pageEnd() const { return end_; }
    void setCursor(const unsigned char* position) {
        cursor_ = page_.get() + (position - page_.get());
    }

  private:
    int getSlow();
    bool refill();
    std::size_t readBytes(unsigned char* destination, std::size_t size);

    platform::InputFile& file_;
    std::unique_ptr<unsigned char[]> page_;
    std::unique_ptr<unsigned char[]> wideBytes_;
    unsigned char* cursor_;
    unsigned char* end_;
    std::array<unsigned char, 4> prefix_{};  // signature bytes that belong to the text
    std::size_t prefixBegin_ = 0;
    std::size_t prefixEnd_ = 0;
    int encoding_ = kEncoding8Bit;
    bool wide_ = false;
    bool bigEndian_ = false;
    int oddByte_ = -1;  // a UTF-16 byte waiting for its partner
};

}  // namespace kelmar::xml::detail
