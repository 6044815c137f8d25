#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/layout400_documents.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::engine {

// What today's layout remembers of one NF-e, by its access key, beside the batch records
// in lotes ("<chNFe>-nfe-sit.ini"): the authorisation or denial a receipt query gave
// (with that answer's protocol and date), the cancellation registered for it, and the
// sequence numbers of its correction letters. It is what situation queries and events are
// answered from. A small INI text, readable by a person, written whole or not at all;
// deleting it makes the NF-e unknown again:
//
//     [NFE]
//     RECIBO=420000000159093
//     RESULTADO=autorizado
//     cStat=100
//     xMotivo=Autorizado o uso da NF-e
//     nProt=142260000589901
//     dhRecbto=2026-12-09T10:15:00-03:00
//     digVal=...
//     CCE=1:142260000589902,2:142260000589904
//     [CANCELAMENTO]
//     nProt=142260000589903
//     dhRegEvento=2026-12-09T10:20:00-03:00
//     evento=<evento versao="1.00" ...>...</evento>
struct NfeMemory {
    std::string receipt;
    settings::ReturnKind outcome = settings::ReturnKind::Authorised;  // or Denied
    layout400::ResultItem protocol;
    // The correction letters registered: sequence number and protocol.
    struct Correction {
        int sequence = 0;
        std::string protocol;
    };
    std::vector<Correction> corrections;
    const Correction* correction(int sequence) const;
    // The cancellation event as it was requested, and its answer; empty when none.
    std::string cancellationEvent;
    layout400::EventAnswer cancellation;

    bool cancelled() const { return !cancellationEvent.empty(); }

    std::string text() const;
    static std::optional<NfeMemory> parse(std::string_view text);
};

// Nothing when there is none; raises, naming the file, when it cannot be read.
std::optional<NfeMemory> readNfeMemory(const std::string& pathText);
void writeNfeMemory(const std::string& pathText, const NfeMemory& memory);

}  // namespace kelmar::engine
