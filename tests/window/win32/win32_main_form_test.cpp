// The Windows program's window driven from outside by window messages, as an operator
// would drive it: it runs on a display (Xvfb under Wine), and this test reads its
// controls, types into its fields, presses its buttons and watches the exchange folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "engine/exchange_layout.hpp"
#include "platform/text_encoding.hpp"
#include "program_window.hpp"
#include "support/temporary_folder.hpp"
#include "window/win32/win32_answer_view.hpp"
#include "window/win32/win32_control_ids.hpp"

namespace kelmar::ui::win32 {
namespace {

namespace fs = std::filesystem;
using testing::classOf;
using testing::textOf;

// An exchange folder under an accented name, a config.ini naming it, and the program's
// window open on them.
class Win32WindowTest : public ::testing::Test {
  protected:
    Win32WindowTest() {
        for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
            folder_.makeFolder("S\xC3\xA3o/nf_e/" + std::string(sub));
        }
        folder_.write("erro_layout.err", "Erro de esquema\n");
        folder_.write("config.ini", "[NFE]\r\nLOTE=17\r\nRECIBO=300\r\nPROTOCOLO=900\r\nPASTA=" +
                                        exchange() + "\r\n");
    }

    // The exchange folder as the program's Windows-1252 text.
    std::string exchange() const { return folder_.text() + "\\S\xE3o\\nf_e"; }
    fs::path exchangePath(std::string_view relative) const {
        return folder_.path() / testing::utf8Path("S\xC3\xA3o/nf_e/" + std::string(relative));
    }

    std::string saved() const { return testing::readFile(folder_.path() / "config.ini"); }

    void queue(const std::string& name, const std::string& content) const {
        folder_.write("S\xC3\xA3o/nf_e/envio/" + name, content);
    }

    testing::ProgramWindow& open() {
        program_ = std::make_unique<testing::ProgramWindow>(
            folder_.path(), std::vector<std::wstring>{L"--config", L"config.ini"});
        return *program_;
    }

    testing::TemporaryFolder folder_;
    std::unique_ptr<testing::ProgramWindow> program_;
};

TEST_F(Win32WindowTest, ShowsTheFormWithItsSettingsAndClosesCleanly) {
    auto& program = open();
    HWND window = program.window();
    ASSERT_NE(window, nullptr) << "the window never showed";
    EXPECT_EQ(textOf(window), L"Simulador de Resposta do Kelmar");

    // Fixed size, minimise only.
    const auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    const std::pair<int, const wchar_t*> captions[] = {
        {kLabel1, L"Lote Atual"},
        {kLabel2, L"Recibo"},
        {kLabel3, L"Protocolo"},
        {kLabel4, L"Pasta Base"},
        {kBtSalvar, L"Salvar"},
        {kRGTipoRet, L"Tipo de Retorno"},
        {kFirstOutcomeItem + 0, L"Envio Bem Sucedido (Autoriza\u00E7\u00E3o de Uso)"},
        {kFirstOutcomeItem + 1, L"Falha Esquema XML (Kelmar) "},
        {kFirstOutcomeItem + 2, L"Falha Envio SEFAZ"},
        {kFirstOutcomeItem + 3, L"Lote Ainda N\u00E3o Processado"},
        {kFirstOutcomeItem + 4, L"NF-e Rejeitada"},
        {kFirstOutcomeItem + 5, L"NF-e Denegada"},
    };
    for (const auto& [id, caption] : captions) {
        ASSERT_NE(program.control(id), nullptr) << id;
        EXPECT_EQ(textOf(program.control(id)), caption) << id;
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(::SendMessageW(program.control(kFirstOutcomeItem + i), BM_GETCHECK, 0, 0),
                  i == 0 ? BST_CHECKED : BST_UNCHECKED)
            << i;
    }

    // FormCreate loaded the settings, the accented folder included.
    const std::pair<int, std::wstring> fields[] = {
        {kELote, L"17"},
        {kERecibo, L"300"},
        {kEProtocolo, L"900"},
        {kEPasta, platform::cp1252ToUtf16(exchange())},
    };
    for (const auto& [id, text] : fields) {
        EXPECT_EQ(classOf(program.control(id)), L"Edit") << id;
        EXPECT_EQ(textOf(program.control(id)), text) << id;
    }

    // Tab goes from the chosen outcome to Save, through the four fields to the history's
    // toggle (its list hidden) and back.
    const int order[] = {kBtSalvar, kELote,       kERecibo,         kEProtocolo,
                         kEPasta,   kBtHistorico, kFirstOutcomeItem};
    HWND at = program.control(kFirstOutcomeItem);
    for (const int id : order) {
        at = ::GetNextDlgTabItem(window, at, FALSE);
        EXPECT_EQ(::GetDlgCtrlID(at), id);
    }

    EXPECT_EQ(program.close(), 0);
}

TEST_F(Win32WindowTest, TypedFieldsAreSavedBySalvar) {
    auto& program = open();
    ASSERT_NE(program.window(), nullptr);
    HWND recibo = program.control(kERecibo);
    HWND pasta = program.control(kEPasta);
    testing::selectAll(recibo);
    testing::typeInto(recibo, L"4321");
    testing::selectAll(pasta);
    const std::wstring newFolder =
        platform::cp1252ToUtf16(folder_.text()) + L"\\A\u00E7\u00E3o \u20AC";
    testing::typeInto(pasta, newFolder);
    ASSERT_TRUE(testing::waitUntil([&] { return textOf(pasta) == newFolder; }));
    EXPECT_EQ(textOf(recibo), L"4321");
    EXPECT_EQ(saved().find("4321"), std::string::npos) << "saved before Salvar was pressed";

    testing::press(program.control(kBtSalvar));
    ASSERT_TRUE(testing::waitUntil([&] { return saved().find("4321") != std::string::npos; }))
        << saved();
    const auto content = saved();
    EXPECT_NE(content.find("LOTE=17"), std::string::npos) << content;
    EXPECT_NE(content.find("RECIBO=4321"), std::string::npos) << content;
    EXPECT_NE(content.find("PROTOCOLO=900"), std::string::npos) << content;
    EXPECT_NE(content.find("PASTA=" + folder_.text() + "\\A\xE7\xE3o \x80"), std::string::npos)
        << content;
    EXPECT_TRUE(program.topLevelWindows(L"#32770").empty()) << "an error was shown";
}

TEST_F(Win32WindowTest, AQueuedNfeIsAnsweredAndTheWindowShowsIt) {
    auto& program = open();
    ASSERT_NE(program.window(), nullptr);
    queue("a-nfe.xml", "<NFe><infNFe Id=\"NFe42\"/></NFe>");
    ASSERT_TRUE(
        testing::waitUntil([&] { return fs::exists(exchangePath("retorno/42-num-lot.xml")); }));
    EXPECT_TRUE(testing::waitUntil([&] { return textOf(program.control(kELote)) == L"18"; }));
    EXPECT_TRUE(testing::waitUntil([&] { return textOf(program.control(kERecibo)) == L"301"; }));
    EXPECT_FALSE(fs::exists(exchangePath("envio/a-nfe.xml")));
    EXPECT_NE(saved().find("LOTE=18"), std::string::npos) << saved();
    // The history, collapsed at start, holds the request; its toggle shows it and the
    // window grows to hold it.
    HWND toggle = program.control(kBtHistorico);
    HWND list = program.control(kHistoryList);
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(textOf(toggle), L"Hist\u00F3rico");
    EXPECT_FALSE(::IsWindowVisible(list));
    EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    RECT collapsed;
    ::GetWindowRect(program.window(), &collapsed);
    testing::press(toggle);
    ASSERT_TRUE(testing::waitUntil([&] { return ::IsWindowVisible(list) != FALSE; }));
    EXPECT_TRUE(::IsWindowVisible(program.control(kBtAbrirResposta)));
    EXPECT_EQ(textOf(program.control(kBtAbrirPasta)), L"Abrir pasta");
    RECT expanded;
    ::GetWindowRect(program.window(), &expanded);
    EXPECT_GT(expanded.bottom - expanded.top, collapsed.bottom - collapsed.top + 100);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(program.window(), MONITOR_DEFAULTTONEAREST),
                                  &monitor));
    EXPECT_LE(expanded.bottom, monitor.rcWork.bottom) << "the grown window stays on its screen";

    // The status bar's first part tells the request, its outcome and its numbers in full;
    // only the name gives way.
    const auto status = textOf(program.control(kStatusBar));
    EXPECT_NE(status.find(L"NF-e  a-"), std::wstring::npos)
        << std::string(status.begin(), status.end());
    EXPECT_TRUE(status.ends_with(L"autorizado  lote 18, recibo 420000000301"))
        << std::string(status.begin(), status.end());

    // The answer is shown in the program, every file the request wrote listed.
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    ::SendMessageW(program.window(), WM_COMMAND, MAKEWPARAM(kHistoryList, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
    testing::press(program.control(kBtAbrirResposta));
    ASSERT_TRUE(
        testing::waitUntil([&] { return !program.topLevelWindows(kAnswerViewClass).empty(); }));
    HWND view = program.topLevelWindows(kAnswerViewClass).front();
    EXPECT_EQ(::SendMessageW(::GetDlgItem(view, kAnswerFiles), LB_GETCOUNT, 0, 0), 5);
    EXPECT_NE(textOf(::GetDlgItem(view, kAnswerText)).find(L"<NumeroLoteGerado>18<"),
              std::wstring::npos);
}

TEST_F(Win32WindowTest, ABrokenRequestHoldsTicksBackUntilItsMessageIsClosed) {
    auto& program = open();
    ASSERT_NE(program.window(), nullptr);
    queue("a-nfe.xml", "<NFe>");
    HWND box = nullptr;
    ASSERT_TRUE(testing::waitUntil([&] {
        const auto boxes = program.topLevelWindows(L"#32770");
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    })) << "no message box";

    // A modal box over the window: the title as caption, the message, OK alone, an icon.
    EXPECT_EQ(textOf(box), L"Simulador de Resposta do Kelmar");
    EXPECT_FALSE(::IsWindowEnabled(program.window()));
    EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr);
    bool hasIcon = false;
    bool hasMessage = false;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        const auto childStyle = static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE));
        hasIcon |= classOf(child) == L"Static" && (childStyle & SS_TYPEMASK) == SS_ICON;
        hasMessage |= textOf(child) == L"Missing close tag in element NFe.";
    }
    EXPECT_TRUE(hasIcon);
    EXPECT_TRUE(hasMessage);

    // While it is open, ticks are held back: a good request waits.
    queue("b-nfe.xml", "<NFe><infNFe Id=\"NFe43\"/></NFe>");
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    EXPECT_TRUE(fs::exists(exchangePath("envio/b-nfe.xml")));
    EXPECT_EQ(textOf(program.control(kELote)), L"17");
    EXPECT_EQ(program.topLevelWindows(L"#32770").size(), 1u);

    // Once it is closed, the next tick answers the good request.
    std::error_code ignored;
    fs::remove(exchangePath("envio/a-nfe.xml"), ignored);
    testing::press(::GetDlgItem(box, IDOK));
    ASSERT_TRUE(testing::waitUntil([&] { return !fs::exists(exchangePath("envio/b-nfe.xml")); }));
    EXPECT_TRUE(fs::exists(exchangePath("retorno/43-num-lot.xml")));
    EXPECT_TRUE(testing::waitUntil([&] { return textOf(program.control(kELote)) == L"18"; }));
    EXPECT_TRUE(::IsWindowEnabled(program.window()));
    EXPECT_TRUE(program.topLevelWindows(L"#32770").empty());
}

}  // namespace
}  // namespace kelmar::ui::win32
