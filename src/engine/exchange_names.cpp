#include "engine/exchange_names.hpp"

#include <array>
#include <charconv>
#include <cstdio>

namespace kelmar::engine {
namespace {

constexpr std::array<std::string_view, 6> kSubfolderNames = {"envio", "envio_lote", "retorno",
                                                             "lotes", "tmp",        "backup"};

}  // namespace

std::span<const std::string_view> subfolderNames() {
    return kSubfolderNames;
}

std::string_view subfolderName(Subfolder subfolder) {
    return kSubfolderNames[static_cast<std::size_t>(subfolder)];
}

Subfolder subfolderOf(RequestFolder folder) {
    return folder == RequestFolder::Envio ? Subfolder::Envio : Subfolder::EnvioLote;
}

std::string_view archiveName(Archive archive) {
    return archive == Archive::Authorised ? "Autorizados" : "Denegados";
}

std::string eightDigits(std::int32_t value) {
    const auto magnitude = value < 0 ? -static_cast<std::int64_t>(value) : std::int64_t{value};
    // Formatted by hand: receipt and protocol names are made for every answer, and a
    // formatted print costs more than the rest of the name.
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    std::string text(value < 0 ? "-" : "");
    text.append(length < 8 ? 8 - length : 0, '0');
    text.append(digits, end);
    return text;
}

std::string receiptNumber(std::int32_t receiptCounter) {
    return "420000000" + std::to_string(receiptCounter);
}

std::string protocolNumber(std::int32_t protocolCounter) {
    return "1600000" + eightDigits(protocolCounter);
}

namespace {

// The counter zero-filled to the width; a negative counter keeps its sign in front.
std::string zeroFilled(std::int32_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

}  // namespace

std::string receiptNumber400(std::int32_t receiptCounter) {
    return "420" + zeroFilled(receiptCounter, 12);
}

std::string protocolNumber400(std::int32_t protocolCounter, int year) {
    return "142" + zeroFilled(((year % 100) + 100) % 100, 2) + zeroFilled(protocolCounter, 10);
}

std::string receiptFileName(std::int32_t batch) {
    return "0000000" + eightDigits(batch) + "-rec" + std::string(fragment::kXml);
}

std::string sendFailureFileName(std::int32_t batch) {
    return "0000000" + eightDigits(batch) + "-rec" + std::string(fragment::kError);
}

std::string monthText(const platform::LocalDateTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d", time.year % 10000, time.month % 100);
    return text;
}

}  // namespace kelmar::engine
