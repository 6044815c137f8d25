#pragma once

#include <cstddef>

// Advice to the system's memory manager on large blocks; only advice, so where the
// system has no such thing (Windows, transparent huge pages off) nothing changes.
namespace kelmar::platform {

// The size of a huge page where the system has them.
inline constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// Asks for huge pages on a block aligned to kHugePageSize, over its whole huge pages.
void adviseHugePages(void* block, std::size_t size);

// Withdraws that advice before the block goes back to the heap: it stays on the address
// range, and small allocations placed there later would each make a whole huge page
// resident.
void withdrawHugePages(void* block, std::size_t size);

}  // namespace kelmar::platform
