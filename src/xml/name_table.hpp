#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "xml/arena.hpp"

namespace kelmar::xml::detail {

// Node names are stored once per document: a tree of NF-e items repeats a few dozen
// names thousands of times, and sharing them keeps a loaded tree small.
class NameTable {
  public:
    // The stored text (see stored_text.hpp) of the name, added to the arena when new.
    const char* intern(Arena& arena, std::string_view name) {
        // A short name already known, the usual case, is found without a call.
        if (name.size() - 1 < 16 && !slots_.empty()) {
            const Key key = keyOf(name);
            const std::uint32_t hash = hashOf(name, key);
            const std::size_t mask = slots_.size() - 1;
            for (std::size_t index = hash & mask; slots_[index].stored != nullptr;
                 index = (index + 1) & mask) {
                const Slot& slot = slots_[index];
                if (slot.hash == hash && slot.size == name.size() && slot.key.first == key.first &&
                    slot.key.last == key.last) {
                    return slot.stored;
                }
            }
        }
        return internSlow(arena, name);
    }

    // Forgets every name (used when the arena is released).
    void clear();

  private:
    struct Key {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
    };
    struct Slot {
        Key key;
        const char* stored = nullptr;
        const char* bytes = nullptr;  // the name's bytes inside the stored text
        std::uint32_t hash = 0;
        std::uint32_t size = 0;
    };

    template <std::size_t Count>
    static std::uint64_t loadBytes(const char* data) {
        std::uint64_t value = 0;
        std::memcpy(&value, data, Count);  // a fixed size compiles to one load
        return value;
    }

    // Two words that hold every byte of a name of up to 16 bytes (overlapping loads from
    // both ends), so such names are compared without a library call.
    static Key keyOf(std::string_view name) {
        const char* data = name.data();
        const std::size_t size = name.size();
        if (size >= 8) {
            return {loadBytes<8>(data), loadBytes<8>(data + size - 8)};
        }
        if (size >= 4) {
            return {loadBytes<4>(data), loadBytes<4>(data + size - 4)};
        }
        const auto byte = [&](std::size_t i) {
            return std::uint64_t{static_cast<unsigned char>(data[i])};
        };
        return {byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16, 0};
    }

    static std::uint32_t hashOf(std::string_view name, const Key& key) {
        std::uint64_t mixed =
            name.size() ^ key.first * 0x9E3779B97F4A7C15ull ^ key.last * 0xC2B2AE3D27D4EB4Full;
        if (name.size() > 16) {
            mixed ^= hashWhole(name);
        }
        mixed *= 0xFF51AFD7ED558CCDull;
        return static_cast<std::uint32_t>(mixed ^ (mixed >> 32));
    }
    // Longer names are hashed whole, so names that differ only in the middle spread.
    static std::uint64_t hashWhole(std::string_view name);
    const char* internSlow(Arena& arena, std::string_view name);
    void grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace kelmar::xml::detail
