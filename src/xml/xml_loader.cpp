// Loading: finds the file's encoding from its first bytes, narrows it to one byte per
// character and hands it to the reader.
#include <array>
#include <cstring>

#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "xml/xml_document.hpp"
#include "xml/xml_reader.hpp"

namespace kelmar::xml {
namespace {

constexpr std::size_t kPageSize = 65536;

// "Não é possível abrir o arquivo %s"
constexpr const char* kCannotOpenFile = "N\xE3o \xE9 poss\xEDvel abrir o arquivo %s";

struct EncodingSignature {
    std::array<unsigned char, 4> bytes;
    std::size_t length;
    int encoding;
    bool skipped;  // a byte-order mark, not part of the text
};

constexpr std::array<EncodingSignature, 15> kEncodingSignatures = {{
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
}};

enum Encoding { kEightBit = 0, kUtf8 = 7, kUtf16BigEndian = 8, kUtf16LittleEndian = 9 };

// The first row whose signature the first bytes start with (a short file is compared on
// the bytes it has, so an empty one matches the first row).
const EncodingSignature* detectEncoding(std::string_view bytes) {
    const auto n = std::min<std::size_t>(bytes.size(), 4);
    for (const auto& row : kEncodingSignatures) {
        const auto compared = std::min(n, row.length);
        if (std::memcmp(bytes.data(), row.bytes.data(), compared) == 0) {
            return &row;
        }
    }
    return nullptr;
}

bool isSixteenBit(int encoding) {
    return encoding == 5 || encoding == 6 || encoding == 8 || encoding == 9;
}

// Two bytes per character, each delivered as one byte; a unit the 8-bit text cannot
// hold becomes "?", every time.
std::size_t narrowSixteenBit(std::string_view bytes, bool bigEndian, char* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        const unsigned unit = bigEndian ? (a << 8) | b : a | (b << 8);
        out[n++] = unit < 256 ? static_cast<char>(unit) : '?';
    }
    return n;
}

}  // namespace

void XmlDocument::loadFromBytes(std::string_view bytes) {
    const auto* signature = detectEncoding(bytes);
    const int encoding = signature != nullptr ? signature->encoding : kEightBit;
    if (encoding == 1 || encoding == 2 || encoding == 3 || encoding == 4 || encoding == 10) {
        throw EStreamError("Unsupported string encoding");
    }
    if (signature != nullptr && signature->skipped) {
        // A file shorter than its mark (a lone 0xEF) holds nothing after it.
        bytes.remove_prefix(std::min(signature->length, bytes.size()));
    }
    std::string_view text = bytes;
    if (isSixteenBit(encoding)) {
        char* narrow = allocateText(bytes.size() / 2);
        const bool bigEndian = encoding == 5 || encoding == kUtf16BigEndian;
        text = {narrow, narrowSixteenBit(bytes, bigEndian, narrow)};
    }
    XmlReader reader(*this, text);
    const bool declaredUtf8 = reader.readDocument();
    // A declaration naming UTF-8 switches an 8-bit file's reader to UTF-8, which
    // delivers the same bytes; a 16-bit file keeps being read two bytes at a time.
    fileEncoding_ = declaredUtf8 && encoding == kEightBit ? kUtf8 : encoding;
    if (fileEncoding_ == kUtf8 || declaredUtf8) {
        storedUtf8_ = true;
    }
}

void XmlDocument::loadDocument(std::string_view pathText) {
    auto file = platform::InputFile::open(pathText);
    if (!file) {
        throw EFOpenError(formatMessage(kCannotOpenFile, pathText));
    }
    // The whole file goes into the arena, one page at a time; the tree's texts are views
    // into it, so it is the only copy of the markup that a load makes.
    const auto size = static_cast<std::size_t>(file->size());
    char* buffer = allocateText(size);
    std::size_t filled = 0;
    while (filled < size) {
        const auto n = file->read(buffer + filled, std::min(kPageSize, size - filled));
        if (n == 0) {
            break;
        }
        filled += n;
    }
    loadFromBytes({buffer, filled});
}

}  // namespace kelmar::xml
