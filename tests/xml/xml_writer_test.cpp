#include <gtest/gtest.h>

#include "platform/error.hpp"
#include "support/temporary_folder.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

constexpr const char* kNfeNamespace = "http://www.portalfiscal.inf.br/nfe";

std::unique_ptr<XmlDocument> compactDocument(std::string_view root) {
    auto document = XmlDocument::createWithRoot(root);
    document->setOutputForm(OutputForm::Compact);
    document->setDeclarationEncoding("UTF-8");
    document->setDeclarationVersion("1.0");
    return document;
}

std::string written(const XmlDocument& document) {
    StringSink sink;
    document.writeDocumentTo(sink);
    return sink.text();
}

TEST(XmlWriterTest, BatchNumberDocumentIsExactly109Bytes) {
    auto document = compactDocument("DadosLoteNfe");
    document->rootElement()->writeTextChild("NumeroLoteGerado", "205");
    const auto bytes = written(*document);
    EXPECT_EQ(bytes,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<DadosLoteNfe><NumeroLoteGerado>205</NumeroLoteGerado></DadosLoteNfe>\n");
    EXPECT_EQ(bytes.size(), 109u);
}

TEST(XmlWriterTest, AttributesAndNestedElements) {
    auto document = compactDocument("retEnviNFe");
    XmlNode& root = *document->rootElement();
    root.addAttribute("xmlns", kNfeNamespace);
    root.addAttribute("versao", "1.10");
    root.writeTextChild("tpAmb", "2");
    root.writeTextChild("verAplic", "1.10");
    root.writeTextChild("cStat", "103");
    root.writeTextChild("xMotivo", "Lote recebido com sucesso");
    root.writeTextChild("cUF", "42");
    XmlNode& infRec = root.appendChild("infRec");
    infRec.writeTextChild("nRec", "420000000589900");
    infRec.writeDateTimeChild("dhRecbto", {2009, 1, 16, 14, 50, 43, 551});
    infRec.writeTextChild("tMed", "2");
    EXPECT_EQ(
        written(*document),
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<retEnviNFe xmlns=\"") +
            kNfeNamespace +
            "\" versao=\"1.10\"><tpAmb>2</tpAmb><verAplic>1.10</verAplic><cStat>103</cStat>"
            "<xMotivo>Lote recebido com "
            "sucesso</xMotivo><cUF>42</cUF><infRec><nRec>420000000589900</nRec>"
            "<dhRecbto>2009-01-16T14:50:43.551Z</dhRecbto><tMed>2</tMed></infRec></retEnviNFe>\n");
}

TEST(XmlWriterTest, EscapingFoldingShortFormAndRawText) {
    auto document = compactDocument("doc");
    XmlNode& root = *document->rootElement();
    root.addAttribute("a", "x<y & \"z\"");
    root.writeTextChild("xMotivo", "Denega\xE7\xE3o: Situa\xE7\xE3o Irregular");
    root.writeTextChild("obs", "n\xBA 5 & <b>");
    root.writeTextChild("vazio", "");
    root.appendChild("grupo");
    EXPECT_EQ(
        root.writeToText(),
        "<doc a=\"x&lt;y &amp; &quot;z&quot;\"><xMotivo>Denegacao: Situacao Irregular</xMotivo>"
        "<obs>n\xC2\xBA 5 &amp; &lt;b&gt;</obs><vazio/><grupo/></doc>");

    auto raw = compactDocument("doc");
    raw->rootElement()->setRawText("<inf>a&amp;b</inf>");
    EXPECT_EQ(raw->rootElement()->writeToText(), "<doc><inf>a&amp;b</inf></doc>");
}

TEST(XmlWriterTest, RootIsNeverShortButChildrenAre) {
    auto document = compactDocument("r");
    EXPECT_EQ(document->rootElement()->writeToText(), "<r></r>");
    XmlNode& x = document->rootElement()->appendChild("x");
    x.addAttribute("a", "1");
    EXPECT_EQ(x.writeToText(), "<x a=\"1\"/>");
}

TEST(XmlWriterTest, ChildLookupIgnoresCaseAndAppendAlwaysAppends) {
    auto document = compactDocument("r");
    XmlNode& root = *document->rootElement();
    root.writeTextChild("cStat", "1");
    root.writeTextChild("CSTAT", "2");
    root.appendChild("g");
    root.appendChild("g");
    EXPECT_EQ(root.writeToText(), "<r><cStat>2</cStat><g/><g/></r>");
}

TEST(XmlWriterTest, DuplicateAttributesAndSetAttribute) {
    auto document = compactDocument("r");
    XmlNode& root = *document->rootElement();
    root.addAttribute("a", "1");
    root.addAttribute("A", "2");
    root.setAttribute("a", "'3'");
    EXPECT_EQ(root.writeToText(), "<r a=\"&apos;3&apos;\" A=\"2\"></r>");
    EXPECT_EQ(root.attributeEntryCount(), 2);
}

TEST(XmlWriterTest, TextsAreEscapedOnceAndAccentsOnlyInElementText) {
    auto document = compactDocument("r");
    XmlNode& root = *document->rootElement();
    root.writeTextChild("a", "A&B");
    root.writeTextChild("b", "&amp;");
    root.writeTextChild("c", "n\xE3o \xE4");
    root.addAttribute("n\xE3o", "n\xE3o");
    EXPECT_EQ(root.writeToText(),
              "<r n\xE3o=\"n\xE3o\"><a>A&amp;B</a><b>&amp;amp;</b><c>nao \xC3\xA4</c></r>");
}

TEST(XmlWriterTest, IllegalNamesLeaveTheTreeUnchanged) {
    auto document = compactDocument("r");
    XmlNode& root = *document->rootElement();
    for (const char* bad : {"dados lote", "a\tb", "a\nb", "a\rb"}) {
        try {
            root.appendChild(bad);
            FAIL() << "accepted " << bad;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      std::string("Illegal character in node name \"") + bad + "\"");
        }
        EXPECT_THROW(root.setName(bad), Error);
        EXPECT_THROW(root.writeTextChild(bad, "x"), Error);
    }
    EXPECT_EQ(root.childCount(), 0);
    EXPECT_EQ(root.name(), "r");
    EXPECT_THROW(XmlDocument::createWithRoot("dados lote"), Error);
    root.appendChild("a=b<c");
    root.appendChild("");
    EXPECT_EQ(root.writeToText(), "<r><a=b<c/></></r>");
}

TEST(XmlWriterTest, DateTimeTextAtMidnightIsTheDateAlone) {
    auto document = compactDocument("r");
    XmlNode& root = *document->rootElement();
    root.writeDateTimeChild("a", {2009, 1, 16, 0, 0, 0, 0});
    root.writeDateTimeChild("b", {2009, 1, 16, 0, 0, 0, 1});
    EXPECT_EQ(root.writeToText(), "<r><a>2009-01-16</a><b>2009-01-16T00:00:00.001Z</b></r>");
}

TEST(XmlWriterTest, WriteEqualToDefaultOffSkipsDefaults) {
    auto document = compactDocument("r");
    document->setWriteEqualToDefault(false);
    XmlNode& root = *document->rootElement();
    root.writeTextChild("a", "x", "x");
    root.writeTextChild("b", "y", "x");
    root.writeDateTimeChild("c", {}, {});
    EXPECT_EQ(root.writeToText(), "<r><b>y</b></r>");
}

TEST(XmlWriterTest, ReadableFormIndentsWithCrLf) {
    auto document = XmlDocument::createWithRoot("r");
    document->setOutputForm(OutputForm::Readable);
    XmlNode& root = *document->rootElement();
    root.appendChild("a").appendChild("b");
    EXPECT_EQ(written(*document),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<r>\r\n  <a>\r\n    <b/>\r\n  "
              "</a>\r\n</r>\r\n");
}

TEST(XmlWriterTest, DeclarationSettersReplaceInPlace) {
    XmlDocument document;
    document.setDeclarationEncoding("UTF-8");
    document.setDeclarationVersion("1.0");
    EXPECT_EQ(document.topLevel().child(0)->writeToText(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    document.setDeclarationVersion("1.1");
    EXPECT_EQ(document.topLevel().child(0)->writeToText(),
              "<?xml version=\"1.1\" encoding=\"UTF-8\"?>");
}

TEST(XmlWriterTest, SaveWritesTheExactBytesAndRefusesMissingFolders) {
    testing::TemporaryFolder folder;
    auto document = compactDocument("DadosLoteNfe");
    document->rootElement()->writeTextChild("NumeroLoteGerado", "205");
    const auto path = folder.text() + "\\lote.xml";
    folder.write("lote.xml", std::string(500, 'x'));
    document->saveDocument(path);
    EXPECT_EQ(testing::readFile(folder.path() / "lote.xml"), written(*document));

    const auto missing = folder.text() + "\\nao\\existe.xml";
    try {
        document->saveDocument(missing);
        FAIL() << "saved into a missing folder";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "N\xE3o \xE9 poss\xEDvel criar o arquivo " + missing);
    }
    EXPECT_EQ(testing::listFolder(folder.path()), std::vector<std::string>{"lote.xml"});
}

TEST(XmlWriterTest, LargeSavesCrossTheBufferBoundary) {
    testing::TemporaryFolder folder;
    auto document = compactDocument("r");
    for (int i = 0; i < 20000; ++i) {
        document->rootElement()->writeTextChild("item" + std::to_string(i), std::string(7, 'v'));
    }
    document->saveDocument(folder.text() + "\\big.xml");
    const auto content = testing::readFile(folder.path() / "big.xml");
    EXPECT_GT(content.size(), 3u * 65536u);
    EXPECT_EQ(content, written(*document));
}

}  // namespace
}  // namespace kelmar::xml
