// End-to-end: requests dropped into the exchange folder, answered through the tick,
// compared byte for byte with what the sender writes.
#include <gtest/gtest.h>

#include "engine/signature_block.hpp"
#include "support/exchange_fixture.hpp"
#include "support/expect_throw.hpp"

namespace kelmar::engine {
namespace {

using settings::ReturnKind;
using settings::StateField;
using Names = std::vector<std::string>;

constexpr const char* kKey = "42090112345678000190550010000000011000000010";
const std::string kNs = "http://www.portalfiscal.inf.br/nfe";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const std::string kWhen = "2009-01-16T14:50:43.551Z";
const std::string kBody =
    std::string("<infNFe Id=\"NFe") + kKey +
    "\" versao=\"1.10\"><ide><cUF>42</cUF><natOp>Venda &amp; servi\xC3\xA7o</natOp></ide></infNFe>";

// The signature every archive copy ends with, byte for byte: one line, 2528 characters.
const std::string kSignature =
    "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">"
    "<SignedInfo>"
    "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\" />"
    "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\" />"
    "<Reference URI=\"#NFe42090100000000000000550010000000010000000019\">"
    "<Transforms>"
    "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\" />"
    "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\" />"
    "</Transforms>"
    "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\" />"
    "<DigestValue>kk7gG5HBwVHmodRf+0A1DMWAGCI="
    "</DigestValue>"
    "</Reference>"
    "</SignedInfo>"
    "<SignatureValue>o/oRF/okhAs0ingiQvhyMK1pxcZ7q+QqrF0Q4rZm7Rd6SDT9gJAkwCVC4VJnX6h18/fWLoxh"
    "qTNlSBe4VREqrO1GH7CrJUQClN7BuJfXaWMqhSeLqRMvUl+Dc+9wMPhGWQR+PDKFfgNLjA9YJSPym2Ek43ag1QTr"
    "F3S5ofDmXdY="
    "</SignatureValue>"
    "<KeyInfo>"
    "<X509Data>"
    "<X509Certificate>s2rw9cd/a6SYAgpGkISwcytbywBsPJjmu6UEKmCHjgpupesJ45FURwKjOveGQ2xU0AKiKYu"
    "ipnACpjI+uWvlnmiLBCsZPXwwoNq6KPebh69763xROmUWVbd0YBfdLPkiCLerhpvxPtIu3/zw8VCuA1F0CvhIdZi"
    "kF1MoKmCe/mAZnmnmOk107Gc+9rAw71NJkoC0aGwf+bwlnQO0AssXg4zqUowV/7N0m/izEXBgdZsFGMBcDn/GZkH"
    "tg0bPrUpGLuwnyrSVbypji4TJaFq8O4Z6EtZglzepjvVfoQGQwvu243BHeqz0lJA2u4NvCGXRxkQD/QteGde9SbU"
    "RVcvEEH1NJ/Ot2WDVixC53DoaBfb74Gue0wnaKptg/k/StSiHdkvLD4DMZCG7xVgUNYT4UV21ldZ4xhOo9tfxT+0"
    "2IRrzy7BTrajCHeFVgFwnUn0tNwTXP3CdV/5CxFntST8qLaCFXA7t9SQCn1wxRDh9OB4CHfQUub3dg+ohr/+uwE+"
    "IBzeey1E31Bu85dr2hcAeMF0SdmRVMKQXn+eUzcaPsPW89oR7MeT0qv/+il6dxQl3V7Rj3FFNHWxopAj3o4aqsqk"
    "qDLfI0hA7cStQXKYqsAjO7lbLToAsKi28cTHzBigbL+dIs0WzTesBs15Ou7N+2OtetNXNG9NnVFI54qgb3HCeU95"
    "Lk8MCOxIiD8vdJalr9cadcBVrqstdONT7T5yCMErQGyEUjyoTV98skNpcylXym8v8MdhdBLbpz3dC088hwTBuWdO"
    "A55AlL7qnBcdIfPVnM7uq/IqGUjT9kFTnd6Nqy9UrzsTlBH/dnSHdu4Sag7jOj/Nx8BM02dH3zzJymAzRx+khw+O"
    "PSMizpPINmk9GiI6bt3YhisYvx1bFX8Ii1E8xFiQjvJ2tKbgP2koI54Sf69GS5+/qnA4mi8w0kdm+9AahrA8oQcn"
    "X+JgopeZ2UD5Je+3VzTiuNrjSvHDPrICjwTsDCwHFh7lmDWLWOg5Rs9CePZpVHHVgsVlB5cKXmG2hcIYyXq6HI2d"
    "YsPWtEZPasvANtePjZzCEaPuujKP8eMoQONgEPw7L40BwjX3S1D8RxD/M/bzZna8FVaRpMEb6n9/enzWG2huqS4t"
    "camgXo/evLxcmzir4VdTmLi5OdsdMPBj8R1pGD7I3BAksEPh5KH+4X1v29+zsR6fmKuKwn21rvIvZr966JFCzGRS"
    "VGDIUtCTiqVO3NnIkbnX+p/NpgmzhHTwq3sFglnvNaXRp5GMNsfkgyV8xMLl3wCGn8s0CKhEyffvULHinwRI3EwH"
    "0cF9lcN4gJx8vWQmqzBaXeZp16lw8bkDfdUvcuKa/mIkV/LitVPpSvw5yMR6pAf6C/Sv9MdLaQwYn6PAsgAozdQq"
    "xPRm1dlXEGtbUz9rXJgYMRqdS0ZFL/8svTbAcOMI9j06MWeTdr+Jq/hrs4eRL/7U/cXS33R447/yOgSHwWJyRRiB"
    "Np9x4d41PyV2yZwzbUPizFoEWrVa9XxEPi66JEVKC0IVvDxuId/wI30+ACNF+uC86q8LiMuJeIx30G+8Kiw5ng5o"
    "prfw0Cf02LastwmCp8dDIH2uBYfpKR6NspOUO27LcIj39r33WqRjo"
    "</X509Certificate>"
    "</X509Data>"
    "</KeyInfo>"
    "</Signature>";

// Declared windows-1252: its archive copy, declared UTF-8, holds the body in UTF-8.
std::string nfeRequest(std::string_view key = kKey) {
    return "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<NFe xmlns=\"" + kNs +
           "\">\r\n  <infNFe Id=\"NFe" + std::string(key) +
           "\" versao=\"1.10\">\r\n    <ide><cUF>42</cUF><natOp>Venda &amp; "
           "servi\xE7o</natOp></ide>\r\n"
           "  </infNFe>\r\n  <Signature/>\r\n</NFe>\r\n";
}

std::string queryRequest(std::string_view receipt) {
    return "<consReciNFe xmlns=\"" + kNs + "\" versao=\"1.10\">\n  <tpAmb>2</tpAmb>\n  <nRec>" +
           std::string(receipt) + "</nRec>\n</consReciNFe>\n";
}

std::string queryRoot() {
    return "<retConsReciNFe xmlns=\"" + kNs +
           "\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xsi:schemaLocation=\"" +
           kNs + " retConsReciNFe_v1.10.xsd\" versao=\"1.10\">";
}

std::string item(std::string_view stem, std::string_view protocol, std::string_view status,
                 std::string_view reason) {
    std::string text =
        "<infProt "
        "Id=\"NFe160120091450435510\"><tpAmb>2</tpAmb><verAplic>SVRS20090109120004</verAplic>"
        "<chNFe>" +
        std::string(stem) + "</chNFe><dhRecbto>" + kWhen + "</dhRecbto>";
    if (!protocol.empty()) {
        text += "<nProt>" + std::string(protocol) + "</nProt>";
    }
    return text + "<digVal>poqnTAEcWLQbrY5M+PGQy7063ZE=</digVal><cStat>" + std::string(status) +
           "</cStat><xMotivo>" + std::string(reason) + "</xMotivo></infProt>";
}

class HandlersTest : public testing::ExchangeFixture {
  protected:
    void expectCounters(const char* batch, const char* receipt, const char* protocol) {
        EXPECT_EQ(state_.batch(), batch);
        EXPECT_EQ(state_.receipt(), receipt);
        EXPECT_EQ(state_.protocol(), protocol);
        settings::SimulatorState saved;
        settingsFile_.load(saved);
        EXPECT_EQ(saved.batch(), batch);
        EXPECT_EQ(saved.receipt(), receipt);
        EXPECT_EQ(saved.protocol(), protocol);
    }
};

TEST_F(HandlersTest, AuthorisedSubmissionWritesEveryFileExactly) {
    const std::string name = std::string(kKey) + "-nfe.xml";
    put("envio/" + name, nfeRequest());
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(
        file("retorno/" + std::string(kKey) + "-num-lot.xml"),
        kDeclaration + "<DadosLoteNfe><NumeroLoteGerado>205</NumeroLoteGerado></DadosLoteNfe>\n");
    EXPECT_EQ(file("retorno/000000000000205-rec.xml"),
              kDeclaration + "<retEnviNFe xmlns=\"" + kNs +
                  "\" versao=\"1.10\"><tpAmb>2</tpAmb><verAplic>1.10</verAplic><cStat>103</cStat>"
                  "<xMotivo>Lote recebido com "
                  "sucesso</xMotivo><cUF>42</cUF><infRec><nRec>420000000159093</nRec>"
                  "<dhRecbto>" +
                  kWhen + "</dhRecbto><tMed>2</tMed></infRec></retEnviNFe>\n");
    EXPECT_EQ(
        file("lotes/420000000159093-lote-rec.xml"),
        kDeclaration + "<retConsReciNFe><ArquivoNFe>" + name + "</ArquivoNFe></retConsReciNFe>\n");
    const auto archive =
        kDeclaration + "<NFe xmlns=\"" + kNs + "\">" + kBody + kSignature + "</NFe>\n";
    EXPECT_EQ(file("backup/Autorizados/200901/" + name), archive);
    EXPECT_EQ(file("backup/Denegados/200901/" + name), archive);
    EXPECT_EQ(list("envio"), Names{});
    expectCounters("205", "159093", "589900");
}

TEST_F(HandlersTest, RecordTellsTheNumbersAndFilesOfEachRequest) {
    const auto at = [&](const std::string& relative) {
        return root_.text() + "\\nf_e\\" + relative;
    };
    put("envio/a-nfe.xml", nfeRequest("111"));
    ASSERT_EQ(tick(), "");
    ASSERT_EQ(records_.size(), 1u);
    const auto& submission = records_[0];
    EXPECT_EQ(submission.kind, RequestKind::NFe);
    EXPECT_EQ(submission.name, "a-nfe.xml");
    ASSERT_EQ(submission.handOuts.size(), 2u);
    EXPECT_EQ(submission.handOuts[0].counter, StateField::Batch);
    EXPECT_EQ(submission.handOuts[0].value, 205);
    EXPECT_EQ(submission.handOuts[1].counter, StateField::Receipt);
    EXPECT_EQ(submission.handOuts[1].value, 159093);
    EXPECT_EQ(submission.filesWritten,
              (Names{at("retorno\\111-num-lot.xml"), at("retorno\\000000000000205-rec.xml"),
                     at("lotes\\420000000159093-lote-rec.xml"),
                     at("backup\\Autorizados\\200901\\a-nfe.xml"),
                     at("backup\\Denegados\\200901\\a-nfe.xml")}));
    EXPECT_TRUE(submission.warnings.empty());

    // A copy that could not be made is not listed: without "erro_envio.err" the send
    // failure leaves no copy in retorno.
    std::filesystem::remove(root_.path() / "erro_envio.err");
    state_.setReturnKind(ReturnKind::SendFailure);
    put("envio/b-nfe.xml", nfeRequest("222"));
    ASSERT_EQ(tick(), "");
    ASSERT_EQ(records_.size(), 2u);
    EXPECT_EQ(records_[1].filesWritten,
              (Names{at("retorno\\222-num-lot.xml"), at("backup\\Autorizados\\200901\\b-nfe.xml"),
                     at("backup\\Denegados\\200901\\b-nfe.xml")}));
    ASSERT_EQ(records_[1].handOuts.size(), 1u);
    EXPECT_EQ(records_[1].handOuts[0].value, 206);

    // A request that fails has no record.
    put("envio/c-nfe.xml", "<NFe>");
    EXPECT_NE(tick(), "");
    EXPECT_EQ(records_.size(), 2u);
}

TEST_F(HandlersTest, SignatureBlockHasTheStandardForm) {
    EXPECT_EQ(signatureBlock(), kSignature);
    const auto& block = kSignature;
    EXPECT_EQ(block.size(), 2528u);
    EXPECT_TRUE(
        block.starts_with("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"));
    EXPECT_NE(block.find("<Reference URI=\"#NFe42090100000000000000550010000000010000000019\">"),
              std::string::npos);
    for (const char* algorithm : {"REC-xml-c14n-20010315\" />", "xmldsig#rsa-sha1\" />",
                                  "xmldsig#enveloped-signature\" />", "xmldsig#sha1\" />"}) {
        EXPECT_NE(block.find(algorithm), std::string::npos) << algorithm;
    }
    EXPECT_EQ(block.find('\n'), std::string::npos);
}

struct OutcomeCase {
    ReturnKind kind;
    Names retorno;
    bool batchRecord;
    const char* batch;
    const char* receipt;
};

TEST_F(HandlersTest, EveryOutcomeOfASubmission) {
    const std::string key = kKey;
    const OutcomeCase cases[] = {
        {ReturnKind::Authorised,
         {"000000000000205-rec.xml", key + "-num-lot.xml"},
         true,
         "205",
         "159093"},
        {ReturnKind::SchemaFailure, {key + "-nfe.err"}, false, "204", "159092"},
        {ReturnKind::SendFailure,
         {"000000000000205-rec.err", key + "-num-lot.xml"},
         false,
         "205",
         "159092"},
        {ReturnKind::NotYetProcessed,
         {"000000000000205-rec.xml", key + "-num-lot.xml"},
         true,
         "205",
         "159093"},
        {ReturnKind::Rejected,
         {"000000000000205-rec.xml", key + "-num-lot.xml"},
         true,
         "205",
         "159093"},
        {ReturnKind::Denied,
         {"000000000000205-rec.xml", key + "-num-lot.xml"},
         true,
         "205",
         "159093"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        for (const char* sub : {"retorno", "lotes", "backup"}) {
            std::filesystem::remove_all(path(sub));
            root_.makeFolder(std::string("nf_e/") + sub);
        }
        state_.setText(StateField::Batch, "204");
        state_.setText(StateField::Receipt, "159092");
        settingsFile_.save(state_);
        state_.setReturnKind(c.kind);
        put("envio/a-nfe.xml", nfeRequest());
        ASSERT_EQ(tick(), "");
        EXPECT_EQ(list("retorno"), c.retorno);
        EXPECT_EQ(list("lotes").size(), c.batchRecord ? 1u : 0u);
        EXPECT_EQ(list("backup/Autorizados/200901"), Names{"a-nfe.xml"});
        EXPECT_EQ(list("backup/Denegados/200901"), Names{"a-nfe.xml"});
        EXPECT_EQ(list("envio"), Names{});
        expectCounters(c.batch, c.receipt, "589900");
    }
    EXPECT_EQ(testing::readFile(root_.path() / "erro_layout.err"), "Erro de esquema\n");
}

// Line breaks inside the information element, whatever their style, are taken out of the
// archived body, so the copy holds the element on one line.
TEST_F(HandlersTest, ArchivedBodyLosesEveryLineBreak) {
    const struct {
        const char* title;
        std::string text;
    } cases[] = {
        {"carriage return and line feed", "Linha 1\r\nLinha 2"},
        {"carriage return alone", "Linha 1\rLinha 2"},
        {"line feed alone", "Linha 1\nLinha 2"},
        {"several", "\r\rLinha 1\n\r\nLinha 2\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        put("envio/a-nfe.xml", "<NFe><infNFe Id=\"NFe1\"><xProd>" + c.text +
                                   "</xProd><infAdic a=\"x\r\ny\"/></infNFe></NFe>");
        ASSERT_EQ(tick(), "");
        const auto archived = file("backup/Autorizados/200901/a-nfe.xml");
        EXPECT_EQ(archived, kDeclaration + "<NFe xmlns=\"" + kNs +
                                "\"><infNFe Id=\"NFe1\"><xProd>Linha 1Linha 2</xProd><infAdic "
                                "a=\"xy\"/></infNFe>" +
                                kSignature + "</NFe>\n");
        EXPECT_EQ(file("backup/Denegados/200901/a-nfe.xml"), archived);
    }
}

// A held NF-e that fails the schema check names its error copy after its key: a key
// that would lead out of retorno is refused before anything is copied.
TEST_F(HandlersTest, HeldNfeKeyMustNotLeaveRetorno) {
    const struct {
        const char* id;
        const char* shown;
    } cases[] = {
        {"NFe..\\..\\fora", "..\\..\\fora"},
        {"NFe../../fora", "../../fora"},
        {"NFe1/2", "1/2"},
        {"NFe1&#0;2", "1\\02"},
    };
    state_.setReturnKind(ReturnKind::SchemaFailure);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        put("envio_lote/a-nfe.xml", "<NFe><infNFe Id=\"" + std::string(c.id) + "\"/></NFe>");
        // Only the error copy named after the key is left out (with a warning); the
        // request is ended like any other, instead of failing on every tick.
        records_.clear();
        ASSERT_EQ(tick(), "");
        ASSERT_EQ(records_.size(), 1u);
        EXPECT_EQ(
            records_[0].warnings,
            std::vector<std::string>{"A requisi\xE7\xE3o a-nfe.xml traz '" + std::string(c.shown) +
                                     "', que n\xE3o pode fazer parte de um nome de "
                                     "arquivo: c\xF3pia de erro n\xE3o gerada"});
        EXPECT_EQ(list("retorno"), Names{});
        EXPECT_EQ(list("envio_lote"), Names{});
        EXPECT_FALSE(std::filesystem::exists(root_.path() / "fora-nfe.err"));
        EXPECT_FALSE(std::filesystem::exists(path("fora-nfe.err")));
    }
    // With any other outcome the key names nothing, and the NF-e is archived by its
    // own file name.
    state_.setReturnKind(ReturnKind::Authorised);
    put("envio_lote/a-nfe.xml", "<NFe><infNFe Id=\"NFe../../fora\"/></NFe>");
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("backup/Autorizados/200901"), Names{"a-nfe.xml"});
    EXPECT_EQ(list("envio_lote"), Names{});
}

TEST_F(HandlersTest, KeyEdgeCases) {
    put("envio/a-nfe.xml", "<NFe><infNFe versao=\"1.10\"/></NFe>");
    ASSERT_EQ(tick(), "");
    EXPECT_TRUE(std::filesystem::exists(path("retorno/-num-lot.xml")));
    put("envio/b-nfe.xml", "<NFe><infNFe Id=\"NFe12NFe34\"/></NFe>");
    ASSERT_EQ(tick(), "");
    EXPECT_TRUE(std::filesystem::exists(path("retorno/1234-num-lot.xml")));
}

TEST_F(HandlersTest, TwoSubmissionsGetConsecutiveNumbers) {
    put("envio/a-nfe.xml", nfeRequest("1"));
    put("envio/b-nfe.xml", nfeRequest("2"));
    ASSERT_EQ(tick(), "");
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("retorno"), (Names{"000000000000205-rec.xml", "000000000000206-rec.xml",
                                      "1-num-lot.xml", "2-num-lot.xml"}));
    EXPECT_EQ(list("lotes"),
              (Names{"420000000159093-lote-rec.xml", "420000000159094-lote-rec.xml"}));
}

class QueryTest : public HandlersTest {
  protected:
    void SetUp() override {
        put("lotes/420000000159093-lote-rec.xml",
            "<retConsReciNFe><ArquivoNFe>111-nfe.xml</ArquivoNFe><ArquivoNFe>222-nfe.xml</"
            "ArquivoNFe>"
            "<ArquivoNFe>333-nfe.xml</ArquivoNFe></retConsReciNFe>");
        put("envio/q-ped-rec.xml", queryRequest("420000000159093"));
    }

    std::string result() const { return file("retorno/420000000159093-pro-rec.xml"); }
};

TEST_F(QueryTest, AuthorisedBatchGetsOneProtocolPerNfe) {
    std::vector<std::string> savedProtocols;
    state_.setListener([&](StateField field) {
        if (field == StateField::Protocol) {
            settings::SimulatorState saved;
            settingsFile_.load(saved);
            savedProtocols.push_back(saved.protocol());
        }
    });
    ASSERT_EQ(tick(), "");
    const std::string ok = "Autorizado o uso da NF-e";
    EXPECT_EQ(
        result(),
        kDeclaration + queryRoot() +
            "<tpAmb>2</tpAmb><verAplic>SVRS20090109120004</verAplic><nRec>420000000159093</nRec>"
            "<cStat>104</cStat><xMotivo>Lote processado</xMotivo><cUF>42</cUF><protNFe "
            "versao=\"1.10\">" +
            item("111", "160000000589901", "100", ok) + item("222", "160000000589902", "100", ok) +
            item("333", "160000000589903", "100", ok) + "</protNFe></retConsReciNFe>\n");
    // Each advance was saved before the next one was made.
    EXPECT_EQ(savedProtocols, (Names{"589900", "589901", "589902"}));
    expectCounters("204", "159092", "589903");
    EXPECT_EQ(list("backup/Autorizados/200901"), Names{"q-ped-rec.xml"});
    EXPECT_EQ(list("backup/Denegados/200901"), Names{"q-ped-rec.xml"});
    EXPECT_EQ(list("envio"), Names{});
}

TEST_F(QueryTest, RejectedBatchUsesNoProtocol) {
    state_.setReturnKind(ReturnKind::Rejected);
    ASSERT_EQ(tick(), "");
    const std::string reason = "Rejeicao: Erro na Chave de Acesso - Campo ID";
    EXPECT_NE(result().find("<protNFe versao=\"1.10\">" + item("111", "", "227", reason) +
                            item("222", "", "227", reason) + item("333", "", "227", reason) +
                            "</protNFe>"),
              std::string::npos);
    expectCounters("204", "159092", "589900");
}

TEST_F(QueryTest, DeniedBatchAndOtherOutcomesReadAsAuthorised) {
    state_.setReturnKind(ReturnKind::Denied);
    ASSERT_EQ(tick(), "");
    EXPECT_NE(result().find(item("333", "160000000589903", "302",
                                 "Denegacao: Situacao do Destinatario Irregular")),
              std::string::npos);
    for (const auto kind : {ReturnKind::SchemaFailure, ReturnKind::SendFailure}) {
        put("envio/q-ped-rec.xml", queryRequest("420000000159093"));
        state_.setReturnKind(kind);
        ASSERT_EQ(tick(), "");
        EXPECT_NE(result().find("<cStat>100</cStat>"), std::string::npos);
    }
    expectCounters("204", "159092", "589909");
}

TEST_F(QueryTest, NotYetProcessedReadsNoRecord) {
    state_.setReturnKind(ReturnKind::NotYetProcessed);
    std::filesystem::remove(path("lotes/420000000159093-lote-rec.xml"));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(result(),
              kDeclaration + queryRoot() +
                  "<tpAmb>2</tpAmb><verAplic>1.10</verAplic><nRec>420000000159093</"
                  "nRec><cStat>105</cStat>"
                  "<xMotivo>Lote ainda nao processado</xMotivo><cUF>42</cUF></retConsReciNFe>\n");
}

TEST_F(QueryTest, EmptyBatchRecordGivesAnEmptyProtNFe) {
    put("lotes/420000000159093-lote-rec.xml", "<retConsReciNFe></retConsReciNFe>");
    ASSERT_EQ(tick(), "");
    EXPECT_NE(result().find("<cUF>42</cUF><protNFe versao=\"1.10\"/></retConsReciNFe>"),
              std::string::npos);
}

TEST_F(QueryTest, MissingRecordKeepsTheQueryAndWritesNothing) {
    std::filesystem::remove(path("lotes/420000000159093-lote-rec.xml"));
    EXPECT_EQ(tick(), "N\xE3o \xE9 poss\xEDvel abrir o arquivo " + root_.text() +
                          "\\nf_e\\lotes\\420000000159093-lote-rec.xml");
    EXPECT_EQ(list("retorno"), Names{});
    EXPECT_EQ(list("envio"), Names{"q-ped-rec.xml"});
}

TEST_F(QueryTest, BadProtocolCounterStopsTheLoopBeforeSaving) {
    state_.setText(StateField::Protocol, "x");
    EXPECT_EQ(tick(), "'x' n\xE3o \xE9 um valor inteiro v\xE1lido");
    EXPECT_EQ(list("retorno"), Names{});
    EXPECT_EQ(list("envio"), Names{"q-ped-rec.xml"});
}

TEST_F(HandlersTest, CancellationAndVoidingIgnoreTheOutcome) {
    const std::string cancellation = "<cancNFe versao=\"1.07\"><infCanc Id=\"ID" +
                                     std::string(kKey) + "\"><tpAmb>2</tpAmb></infCanc></cancNFe>";
    const std::string voiding =
        "<inutNFe versao=\"1.07\"><infInut "
        "Id=\"ID42091234567890123455001000000001000000001\"/></inutNFe>";
    std::string previous;
    for (int kind = 0; kind < settings::kReturnKindCount; ++kind) {
        state_.setReturnKind(static_cast<ReturnKind>(kind));
        put("envio/c-ped-can.xml", cancellation);
        ASSERT_EQ(tick(), "");
        const auto canc = file("retorno/" + std::string(kKey) + "-can.xml");
        EXPECT_NE(canc, previous);  // the second one replaces the first with a new number
        previous = canc;
        put("envio/i-ped-inu.xml", voiding);
        ASSERT_EQ(tick(), "");
    }
    const std::string schema =
        " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
    EXPECT_EQ(previous, kDeclaration + "<retCancNFe xmlns=\"" + kNs + "\"" + schema +
                            " xsi:schemaLocation=\"" + kNs +
                            " retCancNFe_v1.07.xsd\" "
                            "versao=\"1.07\"><infCanc><tpAmb>2</tpAmb><verAplic>1.10</verAplic>"
                            "<cStat>101</cStat><xMotivo>Cancelamento de NF-e "
                            "homologado</xMotivo><cUF>42</cUF><chNFe>" +
                            kKey + "</chNFe><dhRecbto>" + kWhen +
                            "</dhRecbto><nProt>160000000589911</nProt></infCanc></retCancNFe>\n");
    EXPECT_EQ(file("retorno/42091234567890123455001000000001000000001-inu.xml"),
              kDeclaration + "<retInutNFe xmlns=\"" + kNs + "\"" + schema +
                  " xsi:schemaLocation=\"" + kNs +
                  " retInutNFe_v1.07.xsd\" "
                  "versao=\"1.07\"><infInut><tpAmb>2</tpAmb><verAplic>1.10</verAplic>"
                  "<cStat>102</cStat><xMotivo>Inutilizacao de numero "
                  "homologado</xMotivo><cUF>42</cUF><ano>09</ano>"
                  "<CNPJ>12345678901234</CNPJ><mod>55</mod><serie>1</serie><nNFIni>1</"
                  "nNFIni><nNFFin>1</nNFFin>"
                  "<dhRecbto>" +
                  kWhen + "</dhRecbto><nProt>160000000589912</nProt></infInut></retInutNFe>\n");
    EXPECT_EQ(list("backup/Autorizados/200901"), (Names{"c-ped-can.xml", "i-ped-inu.xml"}));
    EXPECT_TRUE(std::filesystem::is_directory(path("backup/Denegados")));
    EXPECT_EQ(list("backup/Denegados"), Names{});
    expectCounters("204", "159092", "589912");
}

// A request that cannot be read takes no number, however often it is tried.
TEST_F(HandlersTest, UnreadableRequestsUseUpNoNumber) {
    const std::pair<const char*, const char*> requests[] = {
        {"envio/c-ped-can.xml", "<cancNFe>"},
        {"envio/i-ped-inu.xml", "<inutNFe>"},
        {"envio_lote/x-montar-lote.xml", "<l>"},
    };
    for (const auto& [name, content] : requests) {
        SCOPED_TRACE(name);
        put(name, content);
        EXPECT_NE(tick(), "");
        EXPECT_NE(tick(), "");
        expectCounters("204", "159092", "589900");
        EXPECT_EQ(list("tmp"), Names{});  // no batch-number document piles up
        std::filesystem::remove(path(name));
    }
}

TEST_F(HandlersTest, BatchFolderRoad) {
    put("envio_lote/111-nfe.xml", nfeRequest("111"));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("retorno"), Names{});
    EXPECT_EQ(list("backup/Autorizados/200901"), Names{"111-nfe.xml"});
    expectCounters("204", "159092", "589900");

    const std::string batchList =
        "<MontarLote><ArquivoNFe>111-nfe.xml</ArquivoNFe><ArquivoNFe>999-nfe.xml</ArquivoNFe></"
        "MontarLote>";
    put("envio_lote/x-montar-lote.xml", batchList);
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("retorno"),
              (Names{"000000000000205-rec.xml", "111-num-lot.xml", "999-nfe.err"}));
    EXPECT_EQ(
        file("retorno/111-num-lot.xml"),
        kDeclaration + "<DadosLoteNfe><NumeroLoteGerado>205</NumeroLoteGerado></DadosLoteNfe>\n");
    EXPECT_EQ(file("lotes/420000000159093-lote-rec.xml"), batchList);
    EXPECT_EQ(list("tmp"), Names{});
    EXPECT_EQ(list("envio_lote"), Names{});
    expectCounters("205", "159093", "589900");

    put("envio/q-ped-rec.xml", queryRequest("420000000159093"));
    ASSERT_EQ(tick(), "");
    const auto result = file("retorno/420000000159093-pro-rec.xml");
    EXPECT_NE(result.find("<chNFe>111</chNFe>"), std::string::npos);
    EXPECT_NE(result.find("<chNFe>999</chNFe>"), std::string::npos);
}

TEST_F(HandlersTest, ListOfNfeHeldInAnotherMonthIsRefusedWhole) {
    put("envio_lote/111-nfe.xml", nfeRequest("111"));
    ASSERT_EQ(tick(), "");
    clock_.set({2009, 2, 2, 9, 0, 0, 0});
    put("envio_lote/x-montar-lote.xml", "<l><a>111-nfe.xml</a></l>");
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("retorno"), (Names{"111-nfe.err", "x-montar-lote.err"}));
    EXPECT_EQ(list("lotes"), Names{});
    expectCounters("205", "159092", "589900");
}

TEST_F(HandlersTest, HeldNfeWithSchemaFailureIsNotArchived) {
    state_.setReturnKind(ReturnKind::SchemaFailure);
    put("envio_lote/111-nfe.xml", nfeRequest("111"));
    ASSERT_EQ(tick(), "");
    EXPECT_EQ(list("retorno"), Names{"111-nfe.err"});
    EXPECT_FALSE(std::filesystem::exists(path("backup/Autorizados")));
    EXPECT_EQ(list("envio_lote"), Names{});
}

// A request that fails after numbers were handed out for it (here its batch record cannot
// be written: a folder took its name) is answered with those same numbers when tried
// again, and no counter moves for it until it is done; nothing is left behind then.
TEST_F(HandlersTest, ARetriedRequestKeepsItsNumbers) {
    struct Case {
        const char* title;
        std::string request;
        std::string content;
    };
    const Case cases[] = {
        {"an NF-e", "envio/a-nfe.xml", nfeRequest("111")},
        {"a batch list", "envio_lote/x-montar-lote.xml",
         "<MontarLote><ArquivoNFe>111-nfe.xml</ArquivoNFe></MontarLote>"},
    };
    put("backup/Autorizados/200901/111-nfe.xml", nfeRequest("111"));  // held for the list
    int batch = 205;
    int receipt = 159093;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const auto blocker = "lotes/420000000" + std::to_string(receipt) + "-lote-rec.xml";
        std::filesystem::create_directory(path(blocker));
        put(c.request, c.content);
        EXPECT_NE(tick(), "");
        EXPECT_NE(tick(), "");
        expectCounters(std::to_string(batch).c_str(), std::to_string(receipt).c_str(), "589900");
        EXPECT_NE(file(".kelmar-pendente-" + c.request.substr(0, c.request.find('/')) + ".ini")
                      .find("LOTE=" + std::to_string(batch)),
                  std::string::npos);
        std::filesystem::remove(path(blocker));
        ASSERT_EQ(tick(), "");
        expectCounters(std::to_string(batch).c_str(), std::to_string(receipt).c_str(), "589900");
        EXPECT_EQ(file("retorno/111-num-lot.xml"),
                  kDeclaration + "<DadosLoteNfe><NumeroLoteGerado>" + std::to_string(batch) +
                      "</NumeroLoteGerado></DadosLoteNfe>\n");
        EXPECT_TRUE(std::filesystem::is_regular_file(path(blocker)));
        EXPECT_FALSE(std::filesystem::exists(path(c.request)));
        EXPECT_EQ(list(""), (Names{".kelmar.lock", "backup", "envio", "envio_lote", "lotes",
                                   "retorno", "tmp"}));
        EXPECT_EQ(list("tmp"), Names{});
        ++batch;
        ++receipt;
    }
}

// A retry that fails again before it has used every number the request holds (here at
// the batch number's answer, before the receipt) keeps them all for the next attempt.
TEST_F(HandlersTest, ARetryThatFailsAgainKeepsEveryNumber) {
    put("envio/a-nfe.xml", nfeRequest("111"));
    std::filesystem::create_directory(path("lotes/420000000159093-lote-rec.xml"));
    EXPECT_NE(tick(), "");  // batch 205 and receipt 159093 handed out, then the record fails
    std::filesystem::remove(path("retorno/111-num-lot.xml"));
    std::filesystem::create_directory(path("retorno/111-num-lot.xml"));
    EXPECT_NE(tick(), "");  // fails again at the batch number's answer
    std::filesystem::remove(path("retorno/111-num-lot.xml"));
    std::filesystem::remove(path("lotes/420000000159093-lote-rec.xml"));
    ASSERT_EQ(tick(), "");
    expectCounters("205", "159093", "589900");
    EXPECT_NE(file("retorno/000000000000205-rec.xml").find("<nRec>420000000159093</nRec>"),
              std::string::npos);
}

}  // namespace
}  // namespace kelmar::engine
