#include "platform/memory_advice.hpp"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace kelmar::platform {

void adviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t size) {
#ifdef __linux__
    ::madvise(block, size - size % kHugePageSize, MADV_HUGEPAGE);
#endif
}

void withdrawHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t size) {
#ifdef __linux__
    ::madvise(block, size - size % kHugePageSize, MADV_NOHUGEPAGE);
#endif
}

}  // namespace kelmar::platform
