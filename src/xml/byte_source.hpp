#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace kelmar::xml {

// Where the reader takes its bytes from: a file read page by page, or bytes already in
// memory. The reader sees no difference between the two.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Copies up to size bytes into destination and returns how many; 0 only at the end of
    // the input (or on a read error, which ends the input too).
    virtual std::size_t read(unsigned char* destination, std::size_t size) = 0;

    // All the bytes not yet read, when they already lie in memory: the reader then scans
    // them where they are instead of copying them page by page. Nothing for a source that
    // has to be read piece by piece.
    virtual std::optional<std::string_view> bytesInMemory() const { return std::nullopt; }

    // How many bytes the input holds, when that is known before reading (a file's size).
    // Only a hint for sizing buffers: the input may turn out shorter or longer.
    virtual std::optional<std::uint64_t> sizeHint() const { return std::nullopt; }
};

// Bytes held by the caller, which must outlive the source.
class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::string_view bytes) : rest_(bytes) {}

    std::size_t read(unsigned char* destination, std::size_t size) override {
        const std::size_t count = std::min(size, rest_.size());
        if (count > 0) {
            std::memcpy(destination, rest_.data(), count);
            rest_.remove_prefix(count);
        }
        return count;
    }

    std::optional<std::string_view> bytesInMemory() const override { return rest_; }

  private:
    std::string_view rest_;
};

}  // namespace kelmar::xml
