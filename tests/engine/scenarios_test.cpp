// End-to-end: outcomes chosen per NF-e by the [CENARIOS] section of the settings file,
// compared byte for byte with what the authority would answer.
#include <gtest/gtest.h>

#include "platform/file_times.hpp"
#include "platform/text_helpers.hpp"
#include "support/exchange_fixture.hpp"

namespace kelmar::engine {
namespace {

using settings::ReturnKind;
using Names = std::vector<std::string>;

const std::string kNs = "http://www.portalfiscal.inf.br/nfe";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const std::string kWhen = "2009-01-16T14:50:43.551Z";

// Three keys of one issuer, and one of another: nNF 11, 12 and 13 of CNPJ
// 12345678000190, nNF 14 of CNPJ 99999999000191.
const std::string kAuthorisedKey = "42090112345678000190550010000000111000000010";
const std::string kSecondKey = "42090112345678000190550010000000121000000010";
const std::string kRejectedKey = "42090112345678000190550010000000131000000010";
const std::string kDeniedKey = "42090199999999000191550010000000141000000010";

std::string nfeRequest(std::string_view key) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NFe xmlns=\"" + kNs +
           "\"><infNFe Id=\"NFe" + std::string(key) +
           "\" versao=\"1.10\"><ide><cUF>42</cUF></ide></infNFe></NFe>\n";
}

std::string queryRequest(std::string_view receipt) {
    return "<consReciNFe xmlns=\"" + kNs + "\" versao=\"1.10\"><tpAmb>2</tpAmb><nRec>" +
           std::string(receipt) + "</nRec></consReciNFe>\n";
}

std::string resultRoot() {
    return "<retConsReciNFe xmlns=\"" + kNs +
           "\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"" +
           kNs + " retConsReciNFe_v1.10.xsd\" versao=\"1.10\">";
}

std::string notYetProcessed(std::string_view receipt) {
    return kDeclaration + resultRoot() + "<tpAmb>2</tpAmb><verAplic>1.10</verAplic><nRec>" +
           std::string(receipt) +
           "</nRec><cStat>105</cStat><xMotivo>Lote ainda nao processado</xMotivo>"
           "<cUF>42</cUF></retConsReciNFe>\n";
}

std::string item(std::string_view key, std::string_view protocol, std::string_view status,
                 std::string_view reason, std::string_view when = kWhen) {
    std::string text =
        "<infProt Id=\"NFe160120091450435510\"><tpAmb>2</tpAmb>"
        "<verAplic>SVRS20090109120004</verAplic><chNFe>" +
        std::string(key) + "</chNFe><dhRecbto>" + std::string(when) + "</dhRecbto>";
    if (!protocol.empty()) {
        text += "<nProt>" + std::string(protocol) + "</nProt>";
    }
    return text + "<digVal>poqnTAEcWLQbrY5M+PGQy7063ZE=</digVal><cStat>" + std::string(status) +
           "</cStat><xMotivo>" + std::string(reason) + "</xMotivo></infProt>";
}

std::string processed(std::string_view receipt, const std::string& items) {
    return kDeclaration + resultRoot() +
           "<tpAmb>2</tpAmb><verAplic>SVRS20090109120004</verAplic><nRec>" + std::string(receipt) +
           "</nRec><cStat>104</cStat><xMotivo>Lote processado</xMotivo><cUF>42</cUF>"
           "<protNFe versao=\"1.10\">" +
           items + "</protNFe></retConsReciNFe>\n";
}

const std::string kAuthorised = "Autorizado o uso da NF-e";
const std::string kRejected = "Rejeicao: Erro na Chave de Acesso - Campo ID";
const std::string kDenied = "Denegacao: Situacao do Destinatario Irregular";

class ScenariosTest : public testing::ExchangeFixture {
  protected:
    // Replaces the [CENARIOS] section of the settings file, keeping the counters.
    void setScenarios(std::string_view section) {
        auto content = testing::readFile(root_.path() / "config.ini");
        if (const auto at = content.find("[CENARIOS]"); at != std::string::npos) {
            content.erase(at);
        }
        root_.write("config.ini", content + "[CENARIOS]\n" + std::string(section));
    }

    // One NF-e submitted in envio; its receipt number.
    std::string submit(const std::string& key) {
        put("envio/" + key + "-nfe.xml", nfeRequest(key));
        EXPECT_EQ(tick(), "");
        return "420000000" + state_.receipt();
    }

    // Holds the NF-e in envio_lote, then sends them as one batch; its receipt number.
    std::string submitBatch(const std::vector<std::string>& keys) {
        std::string list = "<retConsReciNFe>";
        for (const auto& key : keys) {
            put("envio_lote/" + key + "-nfe.xml", nfeRequest(key));
            EXPECT_EQ(tick(), "");
            list += "<ArquivoNFe>" + key + "-nfe.xml</ArquivoNFe>";
        }
        put("envio_lote/lote-montar-lote.xml", list + "</retConsReciNFe>");
        EXPECT_EQ(tick(), "");
        return "420000000" + state_.receipt();
    }

    // Asks for a receipt's result; the result file's content.
    std::string query(const std::string& receipt) {
        put("envio/q-ped-rec.xml", queryRequest(receipt));
        EXPECT_EQ(tick(), "");
        EXPECT_EQ(list("envio"), Names{});
        return file("retorno/" + receipt + "-pro-rec.xml");
    }

    // The outcomes of the last request handled, as "key outcome [reason]".
    Names lastOutcomes() const {
        Names texts;
        if (records_.empty()) {
            return texts;
        }
        for (const auto& applied : records_.back().outcomes) {
            texts.push_back(applied.accessKey + (applied.accessKey.empty() ? "" : " ") +
                            std::to_string(static_cast<int>(applied.outcome)) + " [" +
                            applied.reason.text() + "]");
        }
        return texts;
    }
};

TEST_F(ScenariosTest, MixedBatchAuthorisedDeniedWithItsOwnCodeAndRejected) {
    setScenarios(
        "REGRA1=CNPJ 99999999000191 -> denegado 301 Uso Denegado: Irregularidade fiscal do "
        "emitente\n"
        "REGRA2=nNF 13 -> rejeitado\n");
    const auto receipt = submitBatch({kAuthorisedKey, kDeniedKey, kRejectedKey});
    EXPECT_EQ(receipt, "420000000159093");

    EXPECT_EQ(query(receipt),
              processed(receipt, item(kAuthorisedKey, "160000000589901", "100", kAuthorised) +
                                     item(kDeniedKey, "160000000589902", "301",
                                          "Uso Denegado: Irregularidade fiscal do emitente") +
                                     item(kRejectedKey, "", "227", kRejected)));
    EXPECT_EQ(state_.protocol(), "589902");
    EXPECT_EQ(lastOutcomes(),
              (Names{kAuthorisedKey + " 0 [selecionado]", kDeniedKey + " 5 [regra REGRA1]",
                     kRejectedKey + " 4 [regra REGRA2]"}));
}

TEST_F(ScenariosTest, CustomRejectionCodeAndTextFoldedLikeEveryElementText) {
    setScenarios(
        "REGRA4=nNF 10-19 -> rejeitado 539 Rejei\xE7\xE3o: Duplicidade de NF-e com diferen\xE7"
        "a na Chave de Acesso\n");
    const auto receipt = submit(kRejectedKey);
    EXPECT_EQ(query(receipt),
              processed(receipt, item(kRejectedKey, "", "539",
                                      "Rejeicao: Duplicidade de NF-e com diferenca na Chave de "
                                      "Acesso")));
    EXPECT_EQ(state_.protocol(), "589900");
}

TEST_F(ScenariosTest, DelayedReceiptByTheRecordsTimeAndTheClock) {
    setScenarios("ESPERA=5\n");
    const auto receipt = submit(kAuthorisedKey);
    const auto record = root_.text() + "\\nf_e\\lotes\\" + receipt + "-lote-rec.xml";
    const platform::LocalDateTime written{2009, 1, 16, 14, 50, 43, 551};
    ASSERT_TRUE(platform::setLastWriteMilliseconds(record, platform::toEpochMilliseconds(written)));

    EXPECT_EQ(query(receipt), notYetProcessed(receipt));
    EXPECT_EQ(lastOutcomes(), Names{"3 [ESPERA]"});

    clock_.set({2009, 1, 16, 14, 50, 48, 550});  // 4.999 s later
    EXPECT_EQ(query(receipt), notYetProcessed(receipt));

    clock_.set({2009, 1, 16, 14, 50, 48, 551});  // 5 s later: processed
    EXPECT_EQ(query(receipt), processed(receipt, item(kAuthorisedKey, "160000000589901", "100",
                                                      kAuthorised, "2009-01-16T14:50:48.551Z")));
    EXPECT_EQ(lastOutcomes(), Names{kAuthorisedKey + " 0 [selecionado]"});
    EXPECT_EQ(state_.protocol(), "589901");

    // The clock set back an hour: the record now lies in the future, and counts as old.
    clock_.set({2009, 1, 16, 13, 50, 44, 0});
    EXPECT_EQ(query(receipt), processed(receipt, item(kAuthorisedKey, "160000000589902", "100",
                                                      kAuthorised, "2009-01-16T13:50:44.000Z")));
}

TEST_F(ScenariosTest, DefaultOutcomeOverridesTheSelection) {
    state_.setReturnKind(ReturnKind::Rejected);
    setScenarios("PADRAO=denegado\n");
    const auto receipt = submit(kAuthorisedKey);
    EXPECT_EQ(lastOutcomes(), Names{kAuthorisedKey + " 5 [PADRAO]"});
    EXPECT_EQ(query(receipt),
              processed(receipt, item(kAuthorisedKey, "160000000589901", "302", kDenied)));

    // PADRAO decides the road of a submission too.
    setScenarios("PADRAO=falha-esquema\n");
    put("envio/" + kSecondKey + "-nfe.xml", nfeRequest(kSecondKey));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(file("retorno/" + kSecondKey + "-nfe.err"), "Erro de esquema\n");
    EXPECT_EQ(state_.batch(), "205");

    // Without it the selection counts again.
    setScenarios("");
    put("envio/q-ped-rec.xml", queryRequest(receipt));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(file("retorno/" + receipt + "-pro-rec.xml"),
              processed(receipt, item(kAuthorisedKey, "", "227", kRejected)));
    EXPECT_EQ(lastOutcomes(), Names{kAuthorisedKey + " 4 [selecionado]"});
}

TEST_F(ScenariosTest, RuleEditedBetweenTwoRequestsCountsFromTheNextOne) {
    setScenarios("REGRA1=nNF 13 -> rejeitado\n");
    const auto receipt = submit(kRejectedKey);
    EXPECT_EQ(query(receipt), processed(receipt, item(kRejectedKey, "", "227", kRejected)));

    setScenarios("REGRA1=nNF 13 -> denegado 110 Uso Denegado\n");
    EXPECT_EQ(query(receipt),
              processed(receipt, item(kRejectedKey, "160000000589901", "110", "Uso Denegado")));
    EXPECT_EQ(lastOutcomes(), Names{kRejectedKey + " 5 [regra REGRA1]"});
}

TEST_F(ScenariosTest, SubmissionRoadsChosenByRule) {
    state_.setReturnKind(ReturnKind::SchemaFailure);
    setScenarios(
        "REGRA1=nNF 11 -> falha-envio\n"
        "REGRA2=nNF 12 -> rejeitado\n"
        "REGRA3=chave 4209019999* -> falha-esquema\n");

    put("envio/" + kAuthorisedKey + "-nfe.xml", nfeRequest(kAuthorisedKey));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("retorno"), (Names{"000000000000205-rec.err", kAuthorisedKey + "-num-lot.xml"}));
    EXPECT_EQ(lastOutcomes(), Names{kAuthorisedKey + " 2 [regra REGRA1]"});

    // A rule naming a query-time outcome gets a receipt whatever the selection.
    put("envio/" + kSecondKey + "-nfe.xml", nfeRequest(kSecondKey));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("lotes"), Names{"420000000159093-lote-rec.xml"});
    EXPECT_EQ(state_.batch(), "206");
    EXPECT_EQ(state_.receipt(), "159093");

    put("envio/" + kDeniedKey + "-nfe.xml", nfeRequest(kDeniedKey));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(file("retorno/" + kDeniedKey + "-nfe.err"), "Erro de esquema\n");
    EXPECT_EQ(state_.batch(), "206");
    // Every road archives the NF-e and removes the request.
    EXPECT_EQ(list("backup/Autorizados/200901").size(), 3u);
    EXPECT_EQ(list("envio"), Names{});
}

TEST_F(ScenariosTest, HeldNfeWithASchemaFailureRuleIsNotArchived) {
    setScenarios("REGRA1=nNF 13 -> falha-esquema\nREGRA2=nNF 11 -> falha-envio\n");
    for (const auto& key : {kRejectedKey, kAuthorisedKey}) {
        put("envio_lote/" + key + "-nfe.xml", nfeRequest(key));
        ASSERT_EQ(tick(), "");
    }
    EXPECT_EQ(list("retorno"), Names{kRejectedKey + "-nfe.err"});
    EXPECT_EQ(list("backup/Autorizados/200901"), Names{kAuthorisedKey + "-nfe.xml"});
    EXPECT_EQ(list("envio_lote"), Names{});
}

TEST_F(ScenariosTest, OneNfeHeldBackKeepsTheWholeBatchUnprocessed) {
    setScenarios("REGRA5=nNF 12 -> nao-processado\n");
    const auto receipt = submitBatch({kAuthorisedKey, kSecondKey});
    EXPECT_EQ(query(receipt), notYetProcessed(receipt));
    EXPECT_EQ(lastOutcomes(), Names{"3 [regra REGRA5]"});
    EXPECT_EQ(state_.protocol(), "589900");

    setScenarios("");
    EXPECT_EQ(query(receipt),
              processed(receipt, item(kAuthorisedKey, "160000000589901", "100", kAuthorised) +
                                     item(kSecondKey, "160000000589902", "100", kAuthorised)));
}

TEST_F(ScenariosTest, SelectedNotYetProcessedStillReadsNoRecord) {
    state_.setReturnKind(ReturnKind::NotYetProcessed);
    setScenarios("REGRA1=chave * -> autorizado\n");
    EXPECT_EQ(query("420000000999999"), notYetProcessed("420000000999999"));
    EXPECT_EQ(lastOutcomes(), Names{"3 [selecionado]"});
}

TEST_F(ScenariosTest, RuleThatCannotBeReadFailsEveryTickAndAnswersNothing) {
    setScenarios("REGRA1=nNF 13 -> rejeitado\nREGRA2=nNF treze -> rejeitado\n");
    const auto message =
        "[CENARIOS] REGRA2: o padr\xE3o 'treze' de nNF n\xE3o \xE9 um n\xFAmero nem um intervalo "
        "a-b";
    EXPECT_EQ(tick(), message);  // even with nothing to answer
    put("envio/" + kRejectedKey + "-nfe.xml", nfeRequest(kRejectedKey));
    EXPECT_EQ(tick(), message);
    EXPECT_EQ(list("envio"), Names{kRejectedKey + "-nfe.xml"});
    EXPECT_EQ(list("retorno"), Names{});
    EXPECT_EQ(state_.batch(), "204");

    setScenarios("REGRA1=nNF 13 -> rejeitado\n");
    EXPECT_EQ(tick(), "");
    EXPECT_EQ(list("envio"), Names{});
}

TEST_F(ScenariosTest, SavingTheCountersKeepsTheSectionAsWritten) {
    const std::string section =
        "; outcomes for the regression run\nESPERA=0\nREGRA1 = nNF 13 -> rejeitado\n";
    setScenarios(section);
    submit(kRejectedKey);
    // A settings file the save created ends its lines the system's way (CR LF on
    // Windows); what matters here is that the section's own text is kept.
    const auto saved =
        platform::replaceAll(testing::readFile(root_.path() / "config.ini"), "\r\n", "\n");
    EXPECT_NE(saved.find("LOTE=205"), std::string::npos);
    EXPECT_TRUE(saved.ends_with("[CENARIOS]\n" + section)) << saved;
}

}  // namespace
}  // namespace kelmar::engine
