#include "engine/exchange_names.hpp"

#include <cstdio>

namespace kelmar::engine {

std::string eightDigits(std::int32_t value) {
    const auto magnitude = value < 0 ? -static_cast<std::int64_t>(value) : std::int64_t{value};
    char digits[24];
    std::snprintf(digits, sizeof digits, "%s%08lld", value < 0 ? "-" : "",
                  static_cast<long long>(magnitude));
    return digits;
}

std::string receiptNumber(std::int32_t receiptCounter) {
    return "420000000" + std::to_string(receiptCounter);
}

std::string protocolNumber(std::int32_t protocolCounter) {
    return "1600000" + eightDigits(protocolCounter);
}

std::string receiptFileName(std::int32_t batch) {
    return "0000000" + eightDigits(batch) + "-rec.xml";
}

std::string sendFailureFileName(std::int32_t batch) {
    auto name = receiptFileName(batch);
    name.replace(name.size() - 4, 4, ".err");
    return name;
}

std::string monthText(const platform::LocalDateTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d", time.year % 10000, time.month % 100);
    return text;
}

}  // namespace kelmar::engine
