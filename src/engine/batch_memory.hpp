#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/layout400_documents.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::engine {

// What today's layout remembers of one batch, beside its record in lotes
// ("<nRec>-lote-res.ini"): from the moment the batch is received, which NF-e it holds
// (by the name its record lists, with the access key and signature digest read from the
// NF-e itself); from its first processed answer on, the outcome, protocol and date of
// each, which every later query of the receipt repeats. A small INI text, readable by a
// person, written whole or not at all:
//
//     [LOTE]
//     PROCESSADO=1
//     NFE=1
//     [NFE1]
//     ARQUIVO=42...
//     chNFe=42...
//     digVal=...
//     RESULTADO=autorizado
//     cStat=100
//     xMotivo=Autorizado o uso da NF-e
//     nProt=142260000589901
//     dhRecbto=2026-12-09T10:15:00-03:00
struct BatchMemory {
    struct Entry {
        std::string stem;  // the name in the batch record, without "-nfe.xml"
        layout400::ResultItem item;
        // The outcome that gave the item, once processed.
        settings::ReturnKind outcome = settings::ReturnKind::Authorised;
    };
    bool processed = false;
    std::vector<Entry> entries;

    // The entry of a name in the batch record, or nullptr.
    const Entry* find(std::string_view stem) const;

    std::string text() const;
    // Nothing when the text is no such record.
    static std::optional<BatchMemory> parse(std::string_view text);
};

// The memory at the path text; nothing when there is none. Raises, naming the file, when
// it exists but cannot be read or is no such record: answering without it could give a
// batch a second, different result.
std::optional<BatchMemory> readBatchMemory(const std::string& pathText);

// Writes the memory whole or not at all; raises, naming the file, when it cannot.
void writeBatchMemory(const std::string& pathText, const BatchMemory& memory);

}  // namespace kelmar::engine
