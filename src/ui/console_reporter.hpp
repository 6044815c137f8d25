#pragma once

#include <ostream>

#include "engine/polling_tick.hpp"
#include "ui/message_presenter.hpp"

namespace kelmar::ui {

// One line per request handled, on standard output; errors on standard error. Both in
// UTF-8, converted from the engine's Windows-1252 at this boundary.
class ConsoleReporter final : public engine::TickObserver, public MessagePresenter {
  public:
    ConsoleReporter(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void requestHandled(const engine::DispatchRecord& record) override;
    void showError(std::string_view message) override;

  private:
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace kelmar::ui
