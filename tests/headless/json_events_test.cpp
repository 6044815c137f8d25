// The JSON event lines a test harness reads.
#include "headless/json_events.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace kelmar::ui {
namespace {

using settings::ReturnKind;
using settings::StateField;

// A path written, as the system names it.
#ifdef _WIN32
constexpr const char* kShownPath = "C:\\\\nf_e\\\\retorno\\\\420000000159093-pro-rec.xml";
constexpr const char* kShownFolder = "C:\\\\nf_e\\\\lotes\\\\1.xml";
#else
constexpr const char* kShownPath = "C:/nf_e/retorno/420000000159093-pro-rec.xml";
// A path in a message too; what the message quotes from a request stays as it is.
constexpr const char* kShownFolder = "C:/nf_e/lotes/1.xml";
#endif

TEST(JsonEvents, StringsAreEscapedAndConvertedToUtf8) {
    const struct {
        std::string_view text;
        const char* json;
    } cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line\nfeed\r\ttab", "\"line\\nfeed\\r\\ttab\""},
        {std::string_view("\x01\x1f\x7f", 3), "\"\\u0001\\u001F\\u007F\""},
        {std::string_view("nul\0byte", 8), "\"nul\\u0000byte\""},
        {"n\xE3o \x80", "\"n\xC3\xA3o \xE2\x82\xAC\""},
        {"C:\\Quelmont\\nf_e", "\"C:\\\\Quelmont\\\\nf_e\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonString(c.text), c.json) << c.text;
    }
}

TEST(JsonEvents, RequestEventHoldsEveryFieldInItsOrder) {
    engine::DispatchRecord record;
    record.folder = engine::RequestFolder::Envio;
    record.name = "q-ped-rec.xml";
    record.kind = engine::RequestKind::ReceiptQuery;
    record.handOuts = {{StateField::Protocol, 589901}, {StateField::Protocol, 123456789}};
    record.filesWritten = {"C:\\nf_e\\retorno\\420000000159093-pro-rec.xml"};
    record.statuses = {{record.filesWritten[0], "104"}};
    record.outcomes = {{"K1", ReturnKind::Authorised, {engine::OutcomeSource::Selected, {}}},
                       {"K2", ReturnKind::Denied, {engine::OutcomeSource::Rule, "REGRA3"}},
                       {"K3", ReturnKind::Rejected, {engine::OutcomeSource::Fallback, {}}}};
    EXPECT_EQ(
        requestEvent(record, {2009, 1, 16, 14, 50, 43, 51}),
        "{\"event\":\"request\",\"time\":\"2009-01-16T14:50:43.051\",\"folder\":\"envio\","
        "\"file\":\"q-ped-rec.xml\",\"kind\":\"Consulta NF-e\",\"keys\":[\"K1\",\"K2\",\"K3\"],"
        "\"outcomes\":[{\"key\":\"K1\",\"outcome\":\"autorizado\",\"reason\":\"selecionado\"},"
        "{\"key\":\"K2\",\"outcome\":\"denegado\",\"reason\":\"regra REGRA3\"},"
        "{\"key\":\"K3\",\"outcome\":\"rejeitado\",\"reason\":\"PADRAO\"}],"
        "\"batch\":null,\"receipt\":null,"
        "\"protocols\":[\"160000000589901\",\"1600000123456789\"],"
        "\"written\":[\"" +
            std::string(kShownPath) + "\"],\"answers\":[{\"file\":\"" + std::string(kShownPath) +
            "\",\"cStat\":\"104\"}],\"answered\":[],\"warnings\":[],\"error\":null}");

    record = {};
    record.folder = engine::RequestFolder::EnvioLote;
    record.name = "x\"y-montar-lote.xml";
    record.kind = engine::RequestKind::BatchList;
    record.handOuts = {{StateField::Batch, 205}, {StateField::Receipt, 159093}};
    record.warnings = {"c\xF3pia n\xE3o feita"};
    record.outcomes = {{{}, ReturnKind::NotYetProcessed, {engine::OutcomeSource::Wait, {}}}};
    EXPECT_EQ(requestEvent(record, {2009, 1, 6, 4, 5, 3, 0}),
              "{\"event\":\"request\",\"time\":\"2009-01-06T04:05:03.000\",\"folder\":"
              "\"envio_lote\",\"file\":\"x\\\"y-montar-lote.xml\",\"kind\":\"Lote NF-e\","
              "\"keys\":[],\"outcomes\":[{\"key\":null,\"outcome\":\"nao-processado\","
              "\"reason\":\"ESPERA\"}],\"batch\":205,\"receipt\":\"420000000159093\","
              "\"protocols\":[],\"written\":[],\"answers\":[],\"answered\":[],\"warnings\":["
              "\"c\xC3\xB3pia "
              "n\xC3\xA3o feita\"],"
              "\"error\":null}");
}

TEST(JsonEvents, ErrorsAndWarningsGoToTheSameStreamOneLineEach) {
    std::ostringstream out;
    const platform::ManualClock clock({2009, 1, 16, 14, 50, 43, 551});
    JsonEventReporter reporter(out, clock);
    reporter.showError(
        "N\xE3o \xE9 poss\xEDvel abrir o arquivo C:\\nf_e\\lotes\\1.xml '\\x'\nsegunda");
    reporter.showWarning("pasta sem retorno");
    reporter.showRequestError("envio_lote/a b-montar-lote.xml",
                              "envio_lote/a b-montar-lote.xml: x");
    EXPECT_EQ(out.str(),
              "{\"event\":\"error\",\"time\":\"2009-01-16T14:50:43.551\",\"folder\":null,"
              "\"file\":null,\"message\":\"N\xC3\xA3o "
              "\xC3\xA9 poss\xC3\xADvel abrir o arquivo " +
                  std::string(kShownFolder) +
                  " '\\\\x'\\nsegunda.\"}\n"
                  "{\"event\":\"warning\",\"time\":\"2009-01-16T14:50:43.551\",\"message\":\"pasta "
                  "sem retorno\"}\n"
                  "{\"event\":\"error\",\"time\":\"2009-01-16T14:50:43.551\",\"folder\":"
                  "\"envio_lote\",\"file\":\"a b-montar-lote.xml\",\"message\":"
                  "\"envio_lote/a b-montar-lote.xml: x.\"}\n");
}

}  // namespace
}  // namespace kelmar::ui
