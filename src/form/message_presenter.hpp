#pragma once

#include <string>
#include <string_view>

namespace kelmar::ui {

// Shows an error message to the operator: a message box in the window, standard error
// in the headless runner. Messages are Windows-1252.
class MessagePresenter {
  public:
    virtual ~MessagePresenter() = default;
    virtual void showError(std::string_view message) = 0;
    // An error raised while one request ("envio/x-nfe.xml") was handled; the message
    // names the request already. Shown as any other error unless told apart.
    virtual void showRequestError(std::string_view request, std::string_view message) {
        static_cast<void>(request);
        showError(message);
    }
};

// The message as shown: a full stop is added when its last character comes after the
// full stop in character order (so one ending in ".", "!" or a space gets none).
std::string withClosingFullStop(std::string_view message);

}  // namespace kelmar::ui
