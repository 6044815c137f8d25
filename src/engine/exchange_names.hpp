#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.hpp"

// The numbers and names the exchange folder's files carry.
namespace kelmar::engine {

// A number with at least eight digits, zero-filled (a sign, when negative, comes first).
std::string eightDigits(std::int32_t value);

// "420000000" followed by the receipt counter in plain decimal.
std::string receiptNumber(std::int32_t receiptCounter);

// "1600000" followed by the protocol counter with at least eight digits.
std::string protocolNumber(std::int32_t protocolCounter);

// The receipt's file name for a batch: "0000000" + eight digits + "-rec.xml".
std::string receiptFileName(std::int32_t batch);

// The name of the send-failure copy that stands in for that receipt: the same with ".err".
std::string sendFailureFileName(std::int32_t batch);

// The month folder name, "yyyyMM".
std::string monthText(const platform::LocalDateTime& time);

}  // namespace kelmar::engine
