#include "engine/batch_memory.hpp"

#include <charconv>

#include "engine/record_file.hpp"
#include "settings/ini_file.hpp"
#include "settings/outcome_names.hpp"

namespace kelmar::engine {
namespace {

constexpr std::string_view kBatchSection = "LOTE";
// No cut at the usual length: a rule's reason is written back whole.
constexpr std::size_t kWhole = std::string::npos;

std::string entrySection(std::size_t index) {
    return "NFE" + std::to_string(index + 1);
}

}  // namespace

const BatchMemory::Entry* BatchMemory::find(std::string_view stem) const {
    for (const auto& entry : entries) {
        if (entry.stem == stem) {
            return &entry;
        }
    }
    return nullptr;
}

std::string BatchMemory::text() const {
    settings::IniFile ini;
    ini.write(kBatchSection, "PROCESSADO", processed ? "1" : "0");
    ini.write(kBatchSection, "NFE", std::to_string(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto section = entrySection(i);
        const auto& [stem, item, outcome] = entries[i];
        ini.write(section, "ARQUIVO", stem);
        ini.write(section, "chNFe", item.accessKey);
        ini.write(section, "digVal", item.digest);
        if (processed) {
            ini.write(section, "RESULTADO", settings::outcomeName(outcome));
            ini.write(section, "cStat", item.status);
            ini.write(section, "xMotivo", item.reason);
            ini.write(section, "nProt", item.protocol);
            ini.write(section, "dhRecbto", item.receivedAt);
        }
    }
    return ini.content();
}

std::optional<BatchMemory> BatchMemory::parse(std::string_view text) {
    const settings::IniFile ini(text);
    BatchMemory memory;
    const auto processed = ini.read(kBatchSection, "PROCESSADO", "");
    const auto count = ini.read(kBatchSection, "NFE", "");
    std::size_t entries = 0;
    const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), entries);
    if ((processed != "0" && processed != "1") || error != std::errc{} ||
        end != count.data() + count.size()) {
        return std::nullopt;
    }
    memory.processed = processed == "1";
    for (std::size_t i = 0; i < entries; ++i) {
        const auto section = entrySection(i);
        Entry entry;
        entry.stem = ini.read(section, "ARQUIVO", "", kWhole);
        entry.item.accessKey = ini.read(section, "chNFe", "", kWhole);
        entry.item.digest = ini.read(section, "digVal", "", kWhole);
        entry.item.status = ini.read(section, "cStat", "", kWhole);
        entry.item.reason = ini.read(section, "xMotivo", "", kWhole);
        entry.item.protocol = ini.read(section, "nProt", "", kWhole);
        entry.item.receivedAt = ini.read(section, "dhRecbto", "", kWhole);
        if (memory.processed) {
            const auto outcome = settings::outcomeFromName(ini.read(section, "RESULTADO", ""));
            if (!outcome || entry.item.status.empty() || entry.item.receivedAt.empty()) {
                return std::nullopt;
            }
            entry.outcome = *outcome;
        }
        memory.entries.push_back(std::move(entry));
    }
    return memory;
}

std::optional<BatchMemory> readBatchMemory(const std::string& pathText) {
    return readParsedRecord<BatchMemory>(pathText);
}

void writeBatchMemory(const std::string& pathText, const BatchMemory& memory) {
    writeRecordText(pathText, memory.text());
}

}  // namespace kelmar::engine
