#pragma once

#include <cstddef>

namespace kelmar::bench {

// Peak resident memory of a piece of work, measured by the kernel: the process's
// high-water mark is reset (Linux /proc/self/clear_refs), freed heap memory is returned
// first, and the growth of the mark over the resident size before the work is reported.
class MemoryProbe {
  public:
    MemoryProbe();
    // Bytes by which the peak resident size exceeded the size at construction.
    std::size_t peakGrowth() const;
    // False where the kernel offers no way to reset the mark.
    bool available() const { return available_; }

  private:
    std::size_t baseline_ = 0;
    bool available_ = false;
};

}  // namespace kelmar::bench
