#include "engine/nfe_memory.hpp"

#include <charconv>

#include "engine/record_file.hpp"
#include "settings/ini_file.hpp"
#include "settings/outcome_names.hpp"

namespace kelmar::engine {
namespace {

constexpr std::string_view kNfeSection = "NFE";
constexpr std::string_view kCancellationSection = "CANCELAMENTO";
// No cut at the usual length: events and reasons are kept whole.
constexpr std::size_t kWhole = std::string::npos;

std::string correctionList(const std::vector<NfeMemory::Correction>& corrections) {
    std::string text;
    for (const auto& [sequence, protocol] : corrections) {
        text += (text.empty() ? "" : ",") + std::to_string(sequence) + ":" + protocol;
    }
    return text;
}

bool parseCorrections(std::string_view text, std::vector<NfeMemory::Correction>& corrections) {
    while (!text.empty()) {
        const auto comma = std::min(text.find(','), text.size());
        const auto part = text.substr(0, comma);
        const auto colon = std::min(part.find(':'), part.size());
        int value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + colon, value);
        if (error != std::errc{} || end != part.data() + colon) {
            return false;
        }
        corrections.push_back({value, std::string(part.substr(std::min(part.size(), colon + 1)))});
        text.remove_prefix(std::min(text.size(), comma + 1));
    }
    return true;
}

}  // namespace

const NfeMemory::Correction* NfeMemory::correction(int sequence) const {
    for (const auto& entry : corrections) {
        if (entry.sequence == sequence) {
            return &entry;
        }
    }
    return nullptr;
}

std::string NfeMemory::text() const {
    settings::IniFile ini;
    ini.write(kNfeSection, "RECIBO", receipt);
    ini.write(kNfeSection, "RESULTADO", settings::outcomeName(outcome));
    ini.write(kNfeSection, "cStat", protocol.status);
    ini.write(kNfeSection, "xMotivo", protocol.reason);
    ini.write(kNfeSection, "nProt", protocol.protocol);
    ini.write(kNfeSection, "dhRecbto", protocol.receivedAt);
    ini.write(kNfeSection, "digVal", protocol.digest);
    ini.write(kNfeSection, "CCE", correctionList(corrections));
    if (cancelled()) {
        ini.write(kCancellationSection, "cStat", cancellation.status);
        ini.write(kCancellationSection, "xMotivo", cancellation.reason);
        ini.write(kCancellationSection, "xEvento", cancellation.description);
        ini.write(kCancellationSection, "nSeqEvento", cancellation.sequence);
        ini.write(kCancellationSection, "nProt", cancellation.protocol);
        ini.write(kCancellationSection, "dhRegEvento", cancellation.registeredAt);
        ini.write(kCancellationSection, "evento", cancellationEvent);
    }
    return ini.content();
}

std::optional<NfeMemory> NfeMemory::parse(std::string_view text) {
    const settings::IniFile ini(text);
    NfeMemory memory;
    const auto read = [&](std::string_view section, std::string_view key) {
        return ini.read(section, key, "", kWhole);
    };
    const auto outcome = settings::outcomeFromName(read(kNfeSection, "RESULTADO"));
    memory.receipt = read(kNfeSection, "RECIBO");
    memory.protocol.status = read(kNfeSection, "cStat");
    memory.protocol.reason = read(kNfeSection, "xMotivo");
    memory.protocol.protocol = read(kNfeSection, "nProt");
    memory.protocol.receivedAt = read(kNfeSection, "dhRecbto");
    memory.protocol.digest = read(kNfeSection, "digVal");
    if (!outcome || memory.protocol.status.empty() || memory.protocol.receivedAt.empty() ||
        !parseCorrections(read(kNfeSection, "CCE"), memory.corrections)) {
        return std::nullopt;
    }
    memory.outcome = *outcome;
    memory.cancellationEvent = read(kCancellationSection, "evento");
    if (memory.cancelled()) {
        auto& event = memory.cancellation;
        event.status = read(kCancellationSection, "cStat");
        event.reason = read(kCancellationSection, "xMotivo");
        event.type = "110111";
        event.description = read(kCancellationSection, "xEvento");
        event.sequence = read(kCancellationSection, "nSeqEvento");
        event.protocol = read(kCancellationSection, "nProt");
        event.registeredAt = read(kCancellationSection, "dhRegEvento");
    }
    return memory;
}

std::optional<NfeMemory> readNfeMemory(const std::string& pathText) {
    return readParsedRecord<NfeMemory>(pathText);
}

void writeNfeMemory(const std::string& pathText, const NfeMemory& memory) {
    writeRecordText(pathText, memory.text());
}

}  // namespace kelmar::engine
