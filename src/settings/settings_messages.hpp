#pragma once

#include <string>
#include <string_view>

#include "settings/simulator_state.hpp"

// The settings' messages to the operator, in Windows-1252; %s stands for the value or the
// file the message is about.
namespace kelmar::settings::messages {

// "'%s' não é um valor inteiro válido"
inline constexpr const char* kNotAnInteger = "'%s' n\xE3o \xE9 um valor inteiro v\xE1lido";

// "O arquivo %s está vazio: apague-o para começar com os valores padrão"
inline constexpr const char* kEmptySettings =
    "O arquivo %s est\xE1 vazio: apague-o para come\xE7"
    "ar com os valores padr\xE3o";

// "Incapaz de gravar para %s"
inline constexpr const char* kCannotWrite = "Incapaz de gravar para %s";

// "O contador %s ('%s') chegou ao limite e não pode avançar": the counter's caption and
// its value, so the operator knows which field to look at.
inline std::string counterExhausted(StateField field, std::string_view value) {
    const char* caption = field == StateField::Batch     ? "Lote"
                          : field == StateField::Receipt ? "Recibo"
                                                         : "Protocolo";
    return "O contador " + std::string(caption) + " ('" + std::string(value) +
           "') chegou ao limite e n\xE3o pode avan\xE7"
           "ar";
}

}  // namespace kelmar::settings::messages
