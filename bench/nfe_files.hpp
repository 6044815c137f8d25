#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace kelmar::bench {

// Writes an NF-e (layout 1.10: ide, emit, dest, many det items with taxes, totals,
// transport, additional information and an XML-DSig signature) of at least the given
// size, on one line as signed NF-e are sent. Returns the file's size.
std::size_t writeNfeFile(const std::filesystem::path& path, std::size_t minimumSize);

// Writes a batch-assembly list with the given number of ArquivoNFe entries, one per
// indented CR LF line as an invoicing application writes it. Returns the file's size.
std::size_t writeBatchList(const std::filesystem::path& path, int entries);

// The det items of an NF-e, each on its own, for building documents in memory.
std::string nfeItem(int number);

}  // namespace kelmar::bench
