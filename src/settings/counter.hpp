#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/simulator_state.hpp"

namespace kelmar::settings {

// Parses a counter text: an optional sign and decimal digits, within signed 32 bits.
std::optional<std::int32_t> parseCounter(std::string_view text);

// Advances one counter field of the state by one and returns the new value. Raises
// "'%s' não é um valor inteiro válido" when the text is not a whole number, and refuses
// to step past the largest value (which would hand out negative numbers); in both
// cases the field keeps its text.
std::int32_t advanceCounter(SimulatorState& state, StateField field);

}  // namespace kelmar::settings
