#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace kelmar::xml {

// Memory for one document's nodes and texts, handed out in order and given back all at
// once. Chunks grow to at most 64 KiB (below the size the C library maps fresh pages
// for, so a document reuses memory a released one gave back), so a large file does not make every
// later chunk large too; a request bigger than a chunk gets a chunk of its own.
class Arena {
  public:
    void* allocate(std::size_t bytes, std::size_t alignment);

  private:
    static constexpr std::size_t kFirstChunk = 4096;
    static constexpr std::size_t kLargestChunk = 64 << 10;

    std::vector<std::unique_ptr<std::byte[]>> chunks_;
    std::byte* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t nextChunk_ = kFirstChunk;
};

}  // namespace kelmar::xml
