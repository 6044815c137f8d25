#include "memory_probe.hpp"

#include <malloc.h>

#include <fstream>
#include <string>

namespace kelmar::bench {
namespace {

// A "Vm...:  123 kB" line of /proc/self/status, in bytes.
std::size_t statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stoull(line.substr(key.size() + 1)) * 1024;
        }
    }
    return 0;
}

}  // namespace

MemoryProbe::MemoryProbe() {
    malloc_trim(0);
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    available_ = !clear.fail();
    baseline_ = statusBytes("VmRSS");
}

std::size_t MemoryProbe::peakGrowth() const {
    const std::size_t peak = statusBytes("VmHWM");
    return peak > baseline_ ? peak - baseline_ : 0;
}

}  // namespace kelmar::bench
