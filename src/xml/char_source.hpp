#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "xml/byte_source.hpp"
#include "xml/file_encoding.hpp"

namespace kelmar::xml::detail {

// What get() returns at the end of the file and for a zero character.
inline constexpr int kEndOfInput = -1;

// Delivers the characters of a byte source one at a time, narrowed to one byte each, from pages
// of up to 16 KiB (smaller for a small file, whose page would otherwise weigh next to its tree).
// 8-bit and UTF-8 files are delivered byte for byte; a UTF-16 file is narrowed, every code unit of
// 256 or more becoming "?". The last few characters stay behind each page refill, so the reader can
// always step back over what it just read.
class CharSource {
  public:
    static constexpr std::size_t kPageSize = 16384;
    static constexpr std::size_t kSmallestPageSize = 4096;
    static constexpr std::size_t kHistory = 16;

    explicit CharSource(ByteSource& bytes);
    CharSource(const CharSource&) = delete;
    CharSource& operator=(const CharSource&) = delete;

    // Reads the file's first bytes and chooses the encoding from its signature. Raises
    // EStreamError "Unsupported string encoding" for the four-byte forms and EBCDIC, and
    // for an empty file (whose missing bytes match the first signature).
    void start();

    FileEncoding encoding() const { return encoding_; }

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
    void setCursor(const unsigned char* position) { cursor_ = position; }

  private:
    int getSlow();
    bool refill();
    // Chooses the encoding from the first count bytes of prefix_; returns how many of
    // them a byte-order mark takes.
    std::size_t chooseEncoding(std::size_t count);
    std::size_t readBytes(unsigned char* destination, std::size_t size);

    ByteSource& bytes_;
    std::size_t pageSize_ = kPageSize;
    std::unique_ptr<unsigned char[]> page_;
    std::unique_ptr<unsigned char[]> wideBytes_;
    const unsigned char* cursor_ = nullptr;
    const unsigned char* end_ = nullptr;
    std::array<unsigned char, 4> prefix_{};  // signature bytes that belong to the text
    std::size_t prefixBegin_ = 0;
    std::size_t prefixEnd_ = 0;
    FileEncoding encoding_ = FileEncoding::EightBit;
    bool wide_ = false;
    bool inPlace_ = false;  // the characters are the source's bytes in memory
    bool bigEndian_ = false;
    int oddByte_ = -1;  // a UTF-16 byte waiting for its partner
};

}  // namespace kelmar::xml::detail
