#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kelmar::xml::detail {

// A bump allocator owned by a document. Nodes, texts and lists of a tree are carved out of
// a few large blocks and released together with the document, so a tree costs no
// per-node heap bookkeeping and its release neither recurses nor walks the nodes.
class Arena {
  public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    void* allocate(std::size_t size, std::size_t alignment) {
        const auto address = reinterpret_cast<std::uintptr_t>(cursor_);
        const auto aligned = (address + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
        const auto padding = static_cast<std::size_t>(aligned - address);
        if (cursor_ != nullptr && padding + size <= static_cast<std::size_t>(end_ - cursor_)) {
            cursor_ += padding + size;
            return reinterpret_cast<void*>(aligned);
        }
        return allocateSlow(size, alignment);
    }

    // Bytes that need no alignment (texts) are taken from the top of the block, while
    // aligned allocations grow from its bottom: a short text between two nodes would
    // otherwise leave up to seven bytes of padding behind it.
    char* allocateBytes(std::size_t size) {
        if (size <= static_cast<std::size_t>(end_ - cursor_)) {
            end_ -= size;
            return reinterpret_cast<char*>(end_);
        }
        return allocateBytesSlow(size);
    }

    // Frees every block; all memory handed out before becomes invalid.
    void release();

    // Bytes taken from the heap for blocks (what the tree costs in memory).
    std::size_t bytesReserved() const { return reserved_; }

  private:
    // Blocks are aligned to their own size class, so the large ones can be backed by huge
    // pages (one page fault per 2 MiB instead of 512).
    struct BlockRelease {
        std::size_t size;
        std::size_t alignment;
        void operator()(std::byte* block) const;
    };
    using Block = std::unique_ptr<std::byte[], BlockRelease>;

    void* allocateSlow(std::size_t size, std::size_t alignment);
    char* allocateBytesSlow(std::size_t size);
    // Makes a new block of at least the size the current one, leaving the old one's rest.
    void startBlock(std::size_t needed);
    std::byte* newBlock(std::size_t size);

    std::vector<Block> blocks_;
    std::byte* cursor_ = nullptr;
    std::byte* end_ = nullptr;
    std::size_t nextBlockSize_ = 0;
    std::size_t reserved_ = 0;
};

}  // namespace kelmar::xml::detail
