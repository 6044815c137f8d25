#include "settings/counter.hpp"

#include <gtest/gtest.h>

#include "platform/error.hpp"
#include "support/expect_throw.hpp"

namespace kelmar::settings {
namespace {

TEST(CounterTest, ParsesSignedThirtyTwoBitDecimals) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"204", 204},
        {"+7", 7},
        {"-5", -5},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1a", std::nullopt},
        {"0x10", std::nullopt},
        {"1.0", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseCounter(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(CounterTest, AdvanceWritesTheNextValueIntoTheField) {
    SimulatorState state;
    state.setText(StateField::Batch, "204");
    EXPECT_EQ(advanceCounter(state, StateField::Batch), 205);
    EXPECT_EQ(state.batch(), "205");
    state.setText(StateField::Protocol, "-1");
    EXPECT_EQ(advanceCounter(state, StateField::Protocol), 0);
    EXPECT_EQ(state.protocol(), "0");
}

TEST(CounterTest, NonNumericTextRaisesTheMessageAndKeepsTheField) {
    SimulatorState state;
    state.setText(StateField::Receipt, "12a");
    EXPECT_THROW_MSG(advanceCounter(state, StateField::Receipt), Error,
                     "'12a' n\xE3o \xE9 um valor inteiro v\xE1lido");
    EXPECT_EQ(state.receipt(), "12a");
}

TEST(CounterTest, LargestValueDoesNotWrapToNegative) {
    SimulatorState state;
    state.setText(StateField::Batch, "2147483647");
    EXPECT_THROW_MSG(advanceCounter(state, StateField::Batch), Error,
                     "O contador Lote ('2147483647') chegou ao limite e n\xE3o pode avan\xE7"
                     "ar");
    EXPECT_EQ(state.batch(), "2147483647");
}

TEST(CounterTest, TheLimitMessageNamesTheCounter) {
    const std::pair<StateField, const char*> counters[] = {{StateField::Batch, "Lote"},
                                                           {StateField::Receipt, "Recibo"},
                                                           {StateField::Protocol, "Protocolo"}};
    for (const auto& [field, caption] : counters) {
        SimulatorState state;
        state.setText(field, "2147483647");
        try {
            advanceCounter(state, field);
            ADD_FAILURE() << caption << ": no error raised";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "O contador " + std::string(caption) +
                                                     " ('2147483647') chegou ao limite e n\xE3o "
                                                     "pode avan\xE7"
                                                     "ar");
        }
    }
}

TEST(CounterTest, ListenerSeesEveryAdvance) {
    SimulatorState state;
    std::vector<StateField> seen;
    state.setListener([&](StateField field) { seen.push_back(field); });
    state.setText(StateField::Receipt, "1");
    advanceCounter(state, StateField::Receipt);
    EXPECT_EQ(seen, (std::vector<StateField>{StateField::Receipt, StateField::Receipt}));
}

}  // namespace
}  // namespace kelmar::settings
