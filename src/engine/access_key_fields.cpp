#include "engine/access_key_fields.hpp"

#include <algorithm>
#include <array>

namespace kelmar::engine {
namespace {

struct FieldLayout {
    KeyField field;
    std::string_view name;
    std::size_t offset;  // zero-based
    std::size_t width;
};

constexpr std::array<FieldLayout, 10> kLayouts = {{
    {KeyField::UF, "cUF", 0, 2},
    {KeyField::YearMonth, "AAMM", 2, 4},
    {KeyField::Cnpj, "CNPJ", 6, 14},
    {KeyField::Model, "mod", 20, 2},
    {KeyField::Series, "serie", 22, 3},
    {KeyField::Number, "nNF", 25, 9},
    {KeyField::EmissionType, "tpEmis", 34, 1},
    {KeyField::Code, "cNF", 35, 8},
    {KeyField::CheckDigit, "cDV", 43, 1},
    {KeyField::WholeKey, "chave", 0, kAccessKeyLength},
}};

const FieldLayout& layoutOf(KeyField field) {
    return kLayouts[static_cast<std::size_t>(field)];
}

}  // namespace

std::optional<KeyField> keyFieldFromName(std::string_view name) {
    for (const auto& layout : kLayouts) {
        if (layout.name == name) {
            return layout.field;
        }
    }
    return std::nullopt;
}

std::string_view keyFieldName(KeyField field) {
    return layoutOf(field).name;
}

std::size_t keyFieldWidth(KeyField field) {
    return field == KeyField::WholeKey ? 0 : layoutOf(field).width;
}

bool isDigitKey(std::string_view key) {
    return key.size() == kAccessKeyLength &&
           std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view keyFieldDigits(std::string_view digitKey, KeyField field) {
    const auto& layout = layoutOf(field);
    return digitKey.substr(layout.offset, layout.width);
}

std::string_view keyFieldNameList() {
    return "cUF, AAMM, CNPJ, mod, serie, nNF, tpEmis, cNF, cDV e chave";
}

}  // namespace kelmar::engine
