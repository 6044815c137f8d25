#include "engine/exchange_layout.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "engine/exchange_names.hpp"
#include "engine/layout400_documents.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::engine {
namespace {

TEST(ExchangeLayoutTest, EveryPathIsTheFolderTextFollowedByItsParts) {
    const ExchangeLayout layout("C:\\nf_e");
    const struct {
        std::string path;
        const char* expected;
    } cases[] = {
        {layout.request(RequestFolder::Envio, "a-nfe.xml"), "C:\\nf_e\\envio\\a-nfe.xml"},
        {layout.request(RequestFolder::EnvioLote, "l-montar-lote.xml"),
         "C:\\nf_e\\envio_lote\\l-montar-lote.xml"},
        {layout.batchNumber("123"), "C:\\nf_e\\retorno\\123-num-lot.xml"},
        {layout.receipt(205), "C:\\nf_e\\retorno\\000000000000205-rec.xml"},
        {layout.receipt(123456789), "C:\\nf_e\\retorno\\0000000123456789-rec.xml"},
        {layout.sendFailure(205), "C:\\nf_e\\retorno\\000000000000205-rec.err"},
        {layout.schemaFailure("123"), "C:\\nf_e\\retorno\\123-nfe.err"},
        {layout.batchFailure("a.xml-montar-lote.xml"), "C:\\nf_e\\retorno\\a.err-montar-lote.err"},
        {layout.queryResult("420000000159093"), "C:\\nf_e\\retorno\\420000000159093-pro-rec.xml"},
        {layout.cancellationResult("123"), "C:\\nf_e\\retorno\\123-can.xml"},
        {layout.voidingResult("123"), "C:\\nf_e\\retorno\\123-inu.xml"},
        {layout.batchRecord("420000000159093"), "C:\\nf_e\\lotes\\420000000159093-lote-rec.xml"},
        {layout.assemblyBatchNumber("205"), "C:\\nf_e\\tmp\\205-lote.xml"},
        {layout.archive(Archive::Denied), "C:\\nf_e\\backup\\Denegados"},
        {layout.archiveMonth(Archive::Authorised, "200901"),
         "C:\\nf_e\\backup\\Autorizados\\200901"},
        {layout.archived(Archive::Denied, "200901", "a-nfe.xml"),
         "C:\\nf_e\\backup\\Denegados\\200901\\a-nfe.xml"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.path, c.expected);
    }
}

// The numbers and dates of today's layout keep their fixed widths whatever the counter
// or the offset: the schemas refuse any other length.
TEST(ExchangeLayoutTest, TodaysLayoutNumbersAndDatesKeepTheirWidths) {
    EXPECT_EQ(receiptNumber400(159093), "420000000159093");
    EXPECT_EQ(receiptNumber400(7), "420000000000007");
    EXPECT_EQ(receiptNumber400(2147483647), "420002147483647");
    EXPECT_EQ(protocolNumber400(589901, 2026), "142260000589901");
    EXPECT_EQ(protocolNumber400(2147483647, 2009), "142092147483647");
    // The older layout's names: at least eight digits, a sign kept in front.
    EXPECT_EQ(eightDigits(205), "00000205");
    EXPECT_EQ(eightDigits(-5), "-00000005");
    EXPECT_EQ(eightDigits(2147483647), "2147483647");
    EXPECT_EQ(eightDigits(-2147483647 - 1), "-2147483648");
    platform::LocalDateTime time{2026, 12, 9, 1, 51, 7, 880, -180};
    EXPECT_EQ(layout400::dateTimeText(time), "2026-12-09T01:51:07-03:00");
    time.utcOffsetMinutes = 330;
    EXPECT_EQ(layout400::dateTimeText(time), "2026-12-09T01:51:07+05:30");
    time.utcOffsetMinutes = 0;
    EXPECT_EQ(layout400::dateTimeText(time), "2026-12-09T01:51:07+00:00");
}

TEST(ExchangeLayoutTest, AFolderEndingInABackslashGivesADoubledOne) {
    EXPECT_EQ(ExchangeLayout("C:\\nf_e\\").request(RequestFolder::Envio, "a-nfe.xml"),
              "C:\\nf_e\\\\envio\\a-nfe.xml");
}

TEST(ExchangeLayoutTest, ScriptsShareTheSameSubfolderList) {
    const auto text = testing::readFile(KELMAR_SOURCE_DIR "/scripts/exchange-subfolders");
    std::vector<std::string> listed;
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            listed.push_back(std::exchange(line, {}));
        } else {
            line += c;
        }
    }
    const auto names = ExchangeLayout::subfolderNames();
    EXPECT_EQ(listed, std::vector<std::string>(names.begin(), names.end()));
}

TEST(ExchangeLayoutTest, CheckNamesWhatIsMissing) {
    testing::TemporaryFolder root;
    const ExchangeLayout layout(root.text() + "\\nf_e");
    auto check = layout.check();
    EXPECT_TRUE(check.folderMissing);
    EXPECT_FALSE(check.complete());

    root.makeFolder("nf_e/envio");
    root.makeFolder("nf_e/lotes");
    check = layout.check();
    EXPECT_FALSE(check.folderMissing);
    EXPECT_EQ(check.missingSubfolders,
              (std::vector<std::string_view>{"envio_lote", "retorno", "tmp", "backup"}));

    for (const auto sub : ExchangeLayout::subfolderNames()) {
        root.makeFolder("nf_e/" + std::string(sub));
    }
    EXPECT_TRUE(layout.check().complete());
}

}  // namespace
}  // namespace kelmar::engine
