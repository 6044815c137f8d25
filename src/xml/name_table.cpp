#include "xml/name_table.hpp"

#include <algorithm>
#include <cstring>

#include "xml/stored_text.hpp"

namespace kelmar::xml::detail {
namespace {

template <std::size_t Count>
std::uint64_t loadBytes(const char* data) {
    std::uint64_t value = 0;
    std::memcpy(&value, data, Count);  // a fixed size compiles to one load
    return value;
}

}  // namespace

// Two words that hold every byte of a name of up to 16 bytes (overlapping loads from both
// ends), so such names are compared without a library call.
NameTable::Key NameTable::keyOf(std::string_view name) {
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

std::uint32_t NameTable::hashOf(std::string_view name, const Key& key) {
    std::uint64_t mixed =
        name.size() ^ key.first * 0x9E3779B97F4A7C15ull ^ key.last * 0xC2B2AE3D27D4EB4Full;
    if (name.size() > 16) {
        // Longer names are hashed whole, so names that differ only in the middle spread.
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : name) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        mixed ^= hash;
    }
    mixed *= 0xFF51AFD7ED558CCDull;
    return static_cast<std::uint32_t>(mixed ^ (mixed >> 32));
}

namespace {}  // namespace

const char* NameTable::intern(Arena& arena, std::string_view name) {
    if (name.empty()) {
        return nullptr;
    }
    if ((used_ + 1) * 4 > slots_.size() * 3) {
        grow();
    }
    const Key key = keyOf(name);
    const std::uint32_t hash = hashOf(name, key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
        Slot& slot = slots_[index];
        if (slot.stored == nullptr) {
            slot.stored = storeText(arena, name);
            slot.bytes = storedView(slot.stored).data();
            slot.key = key;
            slot.hash = hash;
            slot.size = static_cast<std::uint32_t>(name.size());
            ++used_;
            return slot.stored;
        }
        if (slot.hash == hash && slot.size == name.size() && slot.key.first == key.first &&
            slot.key.last == key.last &&
            (name.size() <= 16 || std::equal(name.begin(), name.end(), slot.bytes))) {
            return slot.stored;
        }
    }
}

void NameTable::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.stored == nullptr) {
            continue;
        }
        std::size_t index = slot.hash & mask;
        while (slots_[index].stored != nullptr) {
            index = (index + 1) & mask;
        }
        slots_[index] = slot;
    }
}

void NameTable::clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    used_ = 0;
}

}  // namespace kelmar::xml::detail
