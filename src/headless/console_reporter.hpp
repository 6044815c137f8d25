#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "engine/polling_tick.hpp"
#include "form/message_presenter.hpp"

namespace kelmar::ui {

// One line per request handled, on standard output; errors on standard error. Both in
// UTF-8, converted from the engine's Windows-1252 at this boundary.
class ConsoleReporter final : public engine::TickObserver, public MessagePresenter {
  public:
    ConsoleReporter(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void requestHandled(const engine::DispatchRecord& record) override;
    void showError(std::string_view message) override;
    // A warning that stops nothing, on standard error as it stands.
    void showWarning(std::string_view message);
    void fileNotHandled(std::string_view message) override { showWarning(message); }

  private:
    std::ostream& out_;
    std::ostream& err_;
};

// The text with every control character shown as "\xHH", so that names, keys and values
// taken from requests cannot drive the terminal (ESC, BEL, CR).
std::string escapeControlCharacters(std::string_view text);

}  // namespace kelmar::ui
