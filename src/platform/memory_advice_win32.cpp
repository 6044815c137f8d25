#include "platform/memory_advice.hpp"

// Windows gives large pages only to privileged processes that ask when they allocate;
// there is no advice to give on a block already made.
namespace kelmar::platform {

void adviseHugePages(void*, std::size_t) {}

void withdrawHugePages(void*, std::size_t) {}

}  // namespace kelmar::platform
