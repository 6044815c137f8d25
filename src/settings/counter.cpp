#include "settings/counter.hpp"

#include <limits>
#include <string>

#include "platform/error.hpp"
#include "settings/settings_messages.hpp"

namespace kelmar::settings {

std::optional<std::int32_t> parseCounter(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t advanceCounter(SimulatorState& state, StateField field) {
    const auto& text = state.text(field);
    const auto value = parseCounter(text);
    if (!value) {
        throw Error(formatMessage(messages::kNotAnInteger, text));
    }
    if (*value == std::numeric_limits<std::int32_t>::max()) {
        throw Error(messages::counterExhausted(field, text));
    }
    const auto next = *value + 1;
    state.setText(field, std::to_string(next));
    return next;
}

}  // namespace kelmar::settings
