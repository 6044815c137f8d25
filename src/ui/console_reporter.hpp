#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/message_presenter.hpp"
#include "engine/polling_tick.hpp"

namespace kelmar::ui {

// One line per request handled, on standard output; errors on standard error. Both in
// UTF-8, converted from the engine's Windows-1252 at this boundary.
class ConsoleReporter final : public engine::TickObserver, public engine::MessagePresenter {
  public:
    ConsoleReporter(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void requestHandled(const engine::DispatchRecord& record) override;
    void showError(std::string_view message) override;

  private:
    std::ostream& out_;
    std::ostream& err_;
};

// "lote 205, recibo 420000000159093": the numbers handed out, in Windows-1252.
std::string describeHandOuts(const std::vector<engine::HandOut>& handOuts);

// "autorizado [selecionado]", or for a receipt query each NF-e's key first:
// "K1 autorizado [regra REGRA2], K2 rejeitado [PADRAO]". In Windows-1252.
std::string describeOutcomes(const engine::DispatchRecord& record);

// "envio/123-nfe.xml: NF-e (lote 205, recibo 420000000159093) -> autorizado [selecionado]",
// in Windows-1252.
std::string describeHandledRequest(const engine::DispatchRecord& record);

}  // namespace kelmar::ui
