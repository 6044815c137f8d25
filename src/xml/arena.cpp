#include "xml/arena.hpp"

#include <algorithm>
#include <cstdint>

namespace kelmar::xml {

void* Arena::allocate(std::size_t bytes, std::size_t alignment) {
    const auto padding = [&](const std::byte* at) {
        const auto address = reinterpret_cast<std::uintptr_t>(at);
        return (alignment - address % alignment) % alignment;
    };
    if (cursor_ != nullptr && padding(cursor_) + bytes <= left_) {
        const auto pad = padding(cursor_);
        std::byte* result = cursor_ + pad;
        cursor_ += pad + bytes;
        left_ -= pad + bytes;
        return result;
    }
    if (bytes + alignment > nextChunk_ / 2) {
        // Large blocks (a whole file, a long text) stand alone and leave the current
        // chunk in use.
        chunks_.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes + alignment));
        std::byte* start = chunks_.back().get();
        return start + padding(start);
    }
    chunks_.push_back(std::make_unique_for_overwrite<std::byte[]>(nextChunk_));
    cursor_ = chunks_.back().get();
    left_ = nextChunk_;
    nextChunk_ = std::min(nextChunk_ * 2, kLargestChunk);
    return allocate(bytes, alignment);
}

}  // namespace kelmar::xml
