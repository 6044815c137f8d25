#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelmar::xml::detail {

// A map from node addresses to values kept in one flat table (open addressing, linear
// probing), for facts only a few nodes have. A loaded NF-e adds an entry per item, and a
// flat table takes no heap allocation per entry.
template <typename Key, typename Value>
class PointerMap {
  public:
    // The value stored for the key, or nullptr when there is none.
    Value* find(const Key* key) {
        if (used_ == 0) {
            return nullptr;
        }
        for (std::size_t index = slotOf(key);; index = (index + 1) & mask()) {
            Slot& slot = slots_[index];
            if (slot.key == key) {
                return &slot.value;
            }
            if (slot.key == nullptr) {
                return nullptr;
            }
        }
    }
    const Value* find(const Key* key) const { return const_cast<PointerMap*>(this)->find(key); }

    // Stores the value for the key, replacing the one it had.
    void set(const Key* key, Value value) {
        if ((used_ + 1) * 4 > slots_.size() * 3) {
            grow();
        }
        Slot& slot = slotFor(key);
        if (slot.key == nullptr) {
            slot.key = key;
            ++used_;
        }
        slot.value = value;
    }

    void clear() {
        slots_.clear();
        slots_.shrink_to_fit();
        used_ = 0;
    }

  private:
    struct Slot {
        const Key* key = nullptr;
        Value value{};
    };

    std::size_t mask() const { return slots_.size() - 1; }
    std::size_t slotOf(const Key* key) const {
        // Nodes are 8-byte aligned and often 32 bytes apart: mix before masking.
        const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
        return static_cast<std::size_t>((address * 0x9E3779B97F4A7C15ull) >> 32) & mask();
    }
    Slot& slotFor(const Key* key) {
        for (std::size_t index = slotOf(key);; index = (index + 1) & mask()) {
            Slot& slot = slots_[index];
            if (slot.key == key || slot.key == nullptr) {
                return slot;
            }
        }
    }
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
        for (const Slot& slot : old) {
            if (slot.key != nullptr) {
                slotFor(slot.key) = slot;
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace kelmar::xml::detail
