#pragma once

// The identifiers of the Win32 window's controls and timer, shared with the tests that
// find the controls by them. They stay clear of IDOK and IDCANCEL (1 and 2), which the
// dialog keys (Enter, Esc) send.
namespace kelmar::ui::win32 {

enum ControlId : int {
    kELote = 101,
    kERecibo = 102,
    kEProtocolo = 103,
    kEPasta = 104,
    kBtSalvar = 110,
    kRGTipoRet = 120,
    kFirstOutcomeItem = 121,  // the six items follow, in item order
    kLabel1 = 131,
    kLabel2 = 132,
    kLabel3 = 133,
    kLabel4 = 134,
    kStatusBar = 140,
    kBtHistorico = 150,  // below the original controls: the history's toggle
    kHistoryList = 151,
    kBtAbrirResposta = 152,
    kBtAbrirPasta = 153,
    kAnswerFiles = 160,  // the view of what a request wrote
    kAnswerText = 161,
    kAnswerProblem = 162,
    kBtAbrirNoSistema = 163,
};

inline constexpr unsigned kTimer1 = 1;

// The window class the test finds the window by (with its caption).
inline constexpr wchar_t kMainFormClass[] = L"KelmarSimMainForm";

}  // namespace kelmar::ui::win32
