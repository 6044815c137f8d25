#pragma once

#include <cstddef>
#include <string>

// Builds NF-e-shaped markup for the benchmarks: a realistic NF-e 1.10 layout whose size
// is set by its number of det items.
namespace kelmar::bench {

std::string makeNfe(std::size_t targetBytes,
                    const std::string& accessKey = "42090112345678000190550010000000011000000010");

// A batch list with the given number of ArquivoNFe entries.
std::string makeBatchList(std::size_t entries);

}  // namespace kelmar::bench
