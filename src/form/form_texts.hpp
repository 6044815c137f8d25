#pragma once

#include <array>
#include <string_view>

#include "settings/simulator_state.hpp"

// The operator window's fixed texts, in Windows-1252, shared by every window toolkit.
namespace kelmar::ui {

// The window's caption, also the caption of its message boxes.
inline constexpr std::string_view kFormCaption = "Simulador de Resposta do Kelmar";

// The labels of the four fields, in StateField order.
inline constexpr std::array<std::string_view, settings::kStateFieldCount> kFieldCaptions = {
    "Lote Atual", "Recibo", "Protocolo", "Pasta Base"};

inline constexpr std::string_view kSaveCaption = "Salvar";
inline constexpr std::string_view kOutcomeGroupCaption = "Tipo de Retorno";

// The outcome captions, in item order (the item index is the ReturnKind); the second
// ends with a space.
inline constexpr std::array<std::string_view, settings::kReturnKindCount> kOutcomeCaptions = {
    "Envio Bem Sucedido (Autoriza\xE7\xE3o de Uso)",
    "Falha Esquema XML (Kelmar) ",
    "Falha Envio SEFAZ",
    "Lote Ainda N\xE3o Processado",
    "NF-e Rejeitada",
    "NF-e Denegada",
};

// The history below the original controls and what an entry offers.
inline constexpr std::string_view kHistoryCaption = "Hist\xF3rico";
inline constexpr std::string_view kOpenAnswerCaption = "Abrir resposta";
inline constexpr std::string_view kOpenFolderCaption = "Abrir pasta";

// Said in the status line when the desktop opened nothing for a file or folder.
inline constexpr const char* kNoOpener = "O sistema n\xE3o abriu %s.";
// The window's own view of the files a request wrote.
inline constexpr std::string_view kAnswerViewCaption = "Resposta";
inline constexpr std::string_view kOpenOutsideCaption = "Abrir no sistema";

// Said in the status line while a request (or the tick) keeps failing.
inline constexpr std::string_view kTriedAgain = "Nova tentativa a cada segundo.";

// The timer's period in milliseconds: one polling tick a second.
inline constexpr int kTimerInterval = 1000;

}  // namespace kelmar::ui
