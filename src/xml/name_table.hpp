#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "xml/arena.hpp"

namespace kelmar::xml::detail {

// Node names are stored once per document: a tree of NF-e items repeats a few dozen
// names thousands of times, and sharing them keeps a loaded tree small.
class NameTable {
  public:
    // The stored text (see stored_text.hpp) of the name, added to the arena when new.
    const char* intern(Arena& arena, std::string_view name);

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

    static Key keyOf(std::string_view name);
    static std::uint32_t hashOf(std::string_view name, const Key& key);
    void grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace kelmar::xml::detail
