#include "xml/char_source.hpp"

#include <cstring>
#include <string_view>

#include "xml/xml_errors.hpp"

namespace kelmar::xml::detail {
namespace {

struct Signature {
    std::array<unsigned char, 4> bytes;
    std::size_t length;
    int encoding;
    bool skipped;
};

// Tested in this order against the first bytes of the file.
constexpr Signature kSignatures[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, 1, true},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, 2, true},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, 3, true},
    {{0xFE, 0xFF, 0x00, 0x00}, 4, 4, true},
    {{0xFE, 0xFF}, 2, 8, true},
    {{0xFF, 0xFE}, 2, 9, true},
    {{0xEF, 0xBB, 0xBF}, 3, 7, true},
    {{0x00, 0x00, 0x00, 0x3C}, 4, 1, false},
    {{0x3C, 0x00, 0x00, 0x00}, 4, 2, false},
    {{0x00, 0x00, 0x3C, 0x00}, 4, 3, false},
    {{0x00, 0x3C, 0x00, 0x00}, 4, 4, false},
    {{0x00, 0x3C, 0x00, 0x3F}, 4, 8, false},
    {{0x3C, 0x00, 0x3F, 0x00}, 4, 9, false},
    {{0x3C, 0x3F, 0x78, 0x6D}, 4, 0, false},
    {{0x4C, 0x6F, 0xA7, 0x94}, 4, 10, false},
};

bool isReadable(int encoding) {
    return encoding == 0 || (encoding >= 5 && encoding <= 9);
}

}  // namespace

CharSource::CharSource(platform::InputFile& file)
    : file_(file), page_(std::make_unique_for_overwrite<unsigned char[]>(kHistory + kPageSize)) {
    std::memset(page_.get(), 0, kHistory);
    cursor_ = page_.get() + kHistory;
    end_ = cursor_;
}

void CharSource::start() {
    std::size_t count = 0;
    while (count < prefix_.size()) {
        const std::size_t n =
            file_.read(reinterpret_cast<char*>(prefix_.data() + count), prefix_.size() - count);
        if (n == 0) {
            break;
        }
        count += n;
    }
    const Signature* found = nullptr;
    for (const Signature& signature : kSignatures) {
        const std::size_t compared = std::min(count, signature.length);
        if (std::memcmp(prefix_.data(), signature.bytes.data(), compared) == 0) {
            found = &signature;
            break;
        }
    }
    encoding_ = found != nullptr ? found->encoding : kEncoding8Bit;
    if (!isReadable(encoding_)) {
        throw EStreamError("Unsupported string encoding");
    }
    prefixBegin_ = found != nullptr && found->skipped ? found->length : 0;
    prefixEnd_ = count;
    wide_ = encoding_ >= 5 && encoding_ <= 9 && encoding_ != kEncodingUtf8;
    bigEndian_ = encoding_ == 5 || encoding_ == kEncodingUtf16BigEndian;
    if (wide_) {
        wideBytes_ = std::make_unique_for_overwrite<unsigned char[]>(kPageSize);
    }
}

void CharSource::switchToUtf8() {
    if (!wide_) {
        encoding_ = kEncodingUtf8;
    }
}

int CharSource::getSlow() {
    return refill() ? get() : kEndOfInput;
}

std::size_t CharSource::readBytes(unsigned char* destination, std::size_t size) {
    std::size_t count = 0;
    while (prefixBegin_ < prefixEnd_ && count < size) {
        destination[count++] = prefix_[prefixBegin_++];
    }
    if (count < size) {
        count += file_.read(reinterpret_cast<char*>(destination + count), size - count);
    }
    return count;
}

bool CharSource::refill() {
    unsigned char* data = page_.get() + kHistory;
    // Keep the characters just delivered in front of the new page for stepping back.
    std::memmove(page_.get(), end_ - kHistory, kHistory);
    std::size_t produced = 0;
    if (!wide_) {
        produced = readBytes(data, kPageSize);
    } else {
        while (produced == 0) {
            std::size_t available = 0;
            if (oddByte_ >= 0) {
                wideBytes_[available++] = static_cast<unsigned char>(oddByte_);
                oddByte_ = -1;
            }
            const std::size_t n = readBytes(wideBytes_.get() + available, kPageSize - available);
            if (n == 0) {
                break;  // a lone last byte is no character
            }
            available += n;
            for (std::size_t i = 0; i + 1 < available; i += 2) {
                const unsigned first = wideBytes_[i];
                const unsigned second = wideBytes_[i + 1];
                const unsigned unit = bigEndian_ ? (first << 8) | second : (second << 8) | first;
                data[produced++] = unit < 256 ? static_cast<unsigned char>(unit) : '?';
            }
            if (available % 2 != 0) {
                oddByte_ = wideBytes_[available - 1];
            }
        }
    }
    cursor_ = data;
    end_ = data + produced;
    return produced > 0;
}

}  // namespace kelmar::xml::detail
