#include "xml/char_source.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "xml/xml_errors.hpp"
#include "xml/xml_messages.hpp"

namespace kelmar::xml::detail {
namespace {

struct Signature {
    std::array<unsigned char, 4> bytes;
    std::size_t length;
    FileEncoding encoding;
    bool skipped;
};

// Tested in this order against the first bytes of the file.
constexpr Signature kSignatures[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, FileEncoding::FourByteBigEndian, true},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, FileEncoding::FourByteLittleEndian, true},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, FileEncoding::FourByteOrder2143, true},
    {{0xFE, 0xFF, 0x00, 0x00}, 4, FileEncoding::FourByteOrder3412, true},
    {{0xFE, 0xFF}, 2, FileEncoding::Utf16BigEndian, true},
    {{0xFF, 0xFE}, 2, FileEncoding::Utf16LittleEndian, true},
    {{0xEF, 0xBB, 0xBF}, 3, FileEncoding::Utf8, true},
    {{0x00, 0x00, 0x00, 0x3C}, 4, FileEncoding::FourByteBigEndian, false},
    {{0x3C, 0x00, 0x00, 0x00}, 4, FileEncoding::FourByteLittleEndian, false},
    {{0x00, 0x00, 0x3C, 0x00}, 4, FileEncoding::FourByteOrder2143, false},
    {{0x00, 0x3C, 0x00, 0x00}, 4, FileEncoding::FourByteOrder3412, false},
    {{0x00, 0x3C, 0x00, 0x3F}, 4, FileEncoding::Utf16BigEndian, false},
    {{0x3C, 0x00, 0x3F, 0x00}, 4, FileEncoding::Utf16LittleEndian, false},
    {{0x3C, 0x3F, 0x78, 0x6D}, 4, FileEncoding::EightBit, false},
    {{0x4C, 0x6F, 0xA7, 0x94}, 4, FileEncoding::Ebcdic, false},
};

}  // namespace

CharSource::CharSource(ByteSource& bytes) : bytes_(bytes) {}

void CharSource::start() {
    if (const auto whole = bytes_.bytesInMemory()) {
        const std::size_t count = std::min(whole->size(), prefix_.size());
        std::memcpy(prefix_.data(), whole->data(), count);
        const std::size_t skipped = chooseEncoding(count);
        if (!wide_) {
            // One byte per character: the bytes are the characters, read where they lie.
            cursor_ = reinterpret_cast<const unsigned char*>(whole->data()) + skipped;
            end_ = reinterpret_cast<const unsigned char*>(whole->data()) + whole->size();
            inPlace_ = true;
            return;
        }
    }
    if (const auto size = bytes_.sizeHint()) {
        // A thirty-second of the file in whole 4 KiB steps: a few dozen reads at most.
        const std::uint64_t wanted = (*size / 32 + kSmallestPageSize - 1) / kSmallestPageSize;
        pageSize_ = static_cast<std::size_t>(
            std::clamp<std::uint64_t>(wanted * kSmallestPageSize, kSmallestPageSize, kPageSize));
    }
    page_ = std::make_unique_for_overwrite<unsigned char[]>(kHistory + pageSize_);
    std::memset(page_.get(), 0, kHistory);
    cursor_ = page_.get() + kHistory;
    end_ = cursor_;
    std::size_t count = 0;
    while (count < prefix_.size()) {
        const std::size_t n = bytes_.read(prefix_.data() + count, prefix_.size() - count);
        if (n == 0) {
            break;
        }
        count += n;
    }
    prefixBegin_ = chooseEncoding(count);
    prefixEnd_ = count;
    if (wide_) {
        wideBytes_ = std::make_unique_for_overwrite<unsigned char[]>(pageSize_);
    }
}

std::size_t CharSource::chooseEncoding(std::size_t count) {
    const Signature* found = nullptr;
    for (const Signature& signature : kSignatures) {
        const std::size_t compared = std::min(count, signature.length);
        if (std::memcmp(prefix_.data(), signature.bytes.data(), compared) == 0) {
            found = &signature;
            break;
        }
    }
    encoding_ = found != nullptr ? found->encoding : FileEncoding::EightBit;
    if (!isReadable(encoding_)) {
        throw EStreamError(messages::kUnsupportedEncoding);
    }
    wide_ = isSixteenBit(encoding_);
    bigEndian_ = isBigEndian(encoding_);
    return found != nullptr && found->skipped ? std::min(found->length, count) : 0;
}

void CharSource::switchToUtf8() {
    if (!wide_) {
        encoding_ = FileEncoding::Utf8;
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
        count += bytes_.read(destination + count, size - count);
    }
    return count;
}

bool CharSource::refill() {
    if (inPlace_ || page_ == nullptr) {
        return false;
    }
    unsigned char* data = page_.get() + kHistory;
    // Keep the characters just delivered in front of the new page for stepping back.
    std::memmove(page_.get(), end_ - kHistory, kHistory);
    std::size_t produced = 0;
    if (!wide_) {
        produced = readBytes(data, pageSize_);
    } else {
        while (produced == 0) {
            std::size_t available = 0;
            if (oddByte_ >= 0) {
                wideBytes_[available++] = static_cast<unsigned char>(oddByte_);
                oddByte_ = -1;
            }
            const std::size_t n = readBytes(wideBytes_.get() + available, pageSize_ - available);
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
