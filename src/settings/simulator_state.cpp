#include "settings/simulator_state.hpp"

namespace kelmar::settings {

void SimulatorState::setText(StateField field, std::string value) {
    texts_[index(field)] = std::move(value);
    if (listener_) {
        listener_(field);
    }
}

}  // namespace kelmar::settings
