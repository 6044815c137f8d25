#include "xml/name_table.hpp"

#include <algorithm>
#include <cstring>

#include "xml/stored_text.hpp"

namespace kelmar::xml::detail {

std::uint64_t NameTable::hashWhole(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}

const char* NameTable::internSlow(Arena& arena, std::string_view name) {
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
