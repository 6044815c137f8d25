#include "xml/arena.hpp"

#include <algorithm>
#include <new>

#include "platform/memory_advice.hpp"

namespace kelmar::xml::detail {
namespace {

// A fresh document needs a few hundred bytes; a loaded one grows block by block. Blocks
// stop doubling at 2 MiB so the unused tail of the last block stays small next to the tree.
constexpr std::size_t kFirstBlockSize = 1024;
using platform::kHugePageSize;
constexpr std::size_t kLargestBlockSize = kHugePageSize;

}  // namespace

void Arena::BlockRelease::operator()(std::byte* block) const {
    if (alignment == kHugePageSize) {
        platform::withdrawHugePages(block, size);
    }
    ::operator delete (block, std::align_val_t{alignment});
}

std::byte* Arena::newBlock(std::size_t size) {
    const std::size_t alignment = size >= kHugePageSize ? kHugePageSize : alignof(std::max_align_t);
    auto* block = static_cast<std::byte*>(::operator new (size, std::align_val_t{alignment}));
    blocks_.push_back(Block(block, BlockRelease{size, alignment}));
    if (alignment == kHugePageSize) {
        platform::adviseHugePages(block, size);
    }
    reserved_ += size;
    return block;
}

void* Arena::allocateSlow(std::size_t size, std::size_t alignment) {
    const std::size_t needed = size + alignment;
    if (needed > kLargestBlockSize / 4) {
        // A large text gets a block of its own, so the current block keeps its free tail.
        std::byte* block = newBlock(needed);
        const auto address = reinterpret_cast<std::uintptr_t>(block);
        const auto aligned = (address + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
        return block + (aligned - address);
    }
    startBlock(needed);
    return allocate(size, alignment);
}

char* Arena::allocateBytesSlow(std::size_t size) {
    if (size > kLargestBlockSize / 4) {
        return reinterpret_cast<char*>(newBlock(size));
    }
    startBlock(size);
    return allocateBytes(size);
}

void Arena::startBlock(std::size_t needed) {
    nextBlockSize_ = std::clamp(nextBlockSize_ * 2, kFirstBlockSize, kLargestBlockSize);
    const std::size_t blockSize = std::max(nextBlockSize_, needed);
    cursor_ = newBlock(blockSize);
    end_ = cursor_ + blockSize;
}

void Arena::release() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    cursor_ = nullptr;
    end_ = nullptr;
    nextBlockSize_ = 0;
    reserved_ = 0;
}

}  // namespace kelmar::xml::detail
