#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "form/message_presenter.hpp"

namespace kelmar::testing {

// Records the errors shown, as the operator would read them (with the closing full
// stop a message box adds); while "showing" one it can let a timer event arrive, as the
// nested loop of a real message box would.
class RecordingPresenter final : public ui::MessagePresenter {
  public:
    std::vector<std::string> messages;
    std::function<void()> whileShown;

    void showError(std::string_view message) override {
        messages.push_back(ui::withClosingFullStop(message));
        if (whileShown) {
            whileShown();
        }
    }
};

}  // namespace kelmar::testing
