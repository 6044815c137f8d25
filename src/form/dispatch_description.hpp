#pragma once

#include <string>
#include <vector>

#include "engine/dispatch_record.hpp"

// How a handled request is told to the operator, the same in the console and in every
// window. Texts are Windows-1252.
namespace kelmar::ui {

// "lote 205, recibo 420000000159093": the numbers handed out.
std::string describeHandOuts(const std::vector<engine::HandOut>& handOuts);

// "autorizado [selecionado]", or for a receipt query each NF-e's key first:
// "K1 autorizado [regra REGRA2], K2 rejeitado [PADRAO]".
std::string describeOutcomes(const engine::DispatchRecord& record);

// Today's layout: "110111 42...10 135, 110110 42...10 573" for events, "107" for a status
// query, "42...10 100" for a situation query.
std::string describeAnswered(const engine::DispatchRecord& record);

// "autorizado" for one outcome, "2 autorizado, 1 rejeitado" for a batch's, "cStat 135, 573"
// for what today's layout answered; empty for none.
std::string describeOutcomeCounts(const engine::DispatchRecord& record);

// "envio/123-nfe.xml: NF-e (lote 205, recibo 420000000159093) -> autorizado [selecionado]".
std::string describeHandledRequest(const engine::DispatchRecord& record);

}  // namespace kelmar::ui
