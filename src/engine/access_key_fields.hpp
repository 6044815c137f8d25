#pragma once

#include <optional>
#include <string_view>

// The fields of a 44-digit NF-e access key, by the positions the NF-e standard gives them.
namespace kelmar::engine {

enum class KeyField {
    UF,            // cUF, 1-2: the state
    YearMonth,     // AAMM, 3-6: year and month of issue
    Cnpj,          // CNPJ, 7-20: the issuer
    Model,         // mod, 21-22
    Series,        // serie, 23-25
    Number,        // nNF, 26-34
    EmissionType,  // tpEmis, 35
    Code,          // cNF, 36-43: the random code
    CheckDigit,    // cDV, 44
    WholeKey,      // chave: the whole key, matched by a glob
};

inline constexpr std::size_t kAccessKeyLength = 44;

// The field a rule names ("cUF", "nNF", "chave", ...; exact spelling), or nothing.
std::optional<KeyField> keyFieldFromName(std::string_view name);

std::string_view keyFieldName(KeyField field);

// How many digits a numeric field has (0 for the whole key).
std::size_t keyFieldWidth(KeyField field);

// True for a key of exactly 44 ASCII digits, the only keys whose fields can be read.
bool isDigitKey(std::string_view key);

// The digits of a field of a digit key; the whole key for WholeKey.
std::string_view keyFieldDigits(std::string_view digitKey, KeyField field);

// "cUF, AAMM, ..., cDV e chave", for messages.
std::string_view keyFieldNameList();

}  // namespace kelmar::engine
