#include <gtest/gtest.h>

#include <string>

#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

TEST(NodeQueries, ChildOutOfRangeGivesNothing) {
    auto document = XmlDocument::createWithRoot("r");
    XmlNode& root = *document->rootElement();
    root.appendChild("a");
    EXPECT_EQ(root.child(-1), nullptr);
    EXPECT_EQ(root.child(1), nullptr);
    EXPECT_EQ(root.child(0)->child(0), nullptr);
    EXPECT_EQ(root.child(0)->childCount(), 0);
    EXPECT_EQ(root.child(0)->attributeEntryCount(), 0);
    EXPECT_EQ(root.child(0)->attributeTextAt(0), "");
    EXPECT_EQ(root.child(0)->attributeTextAt(-1), "");
}

TEST(NodeQueries, ParentsDepthsAndDocument) {
    auto document = XmlDocument::createWithRoot("r");
    XmlNode& root = *document->rootElement();
    XmlNode& leaf = root.appendChild("a").appendChild("b");
    EXPECT_EQ(leaf.treeDepth(), 2);
    EXPECT_EQ(leaf.parent()->parent(), &root);
    EXPECT_EQ(root.parent(), &document->topLevel());
    EXPECT_EQ(document->topLevel().parent(), nullptr);
    EXPECT_EQ(&leaf.document(), document.get());
}

TEST(NodeQueries, TagIsFreeForCallers) {
    auto document = XmlDocument::createWithRoot("r");
    XmlNode& a = document->rootElement()->appendChild("a");
    XmlNode& b = document->rootElement()->appendChild("b");
    EXPECT_EQ(a.tag(), 0);
    a.setTag(-7);
    b.setTag(42);
    EXPECT_EQ(a.tag(), -7);
    EXPECT_EQ(b.tag(), 42);
    a.setTag(0);
    EXPECT_EQ(a.tag(), 0);
}

TEST(NodeQueries, AttributeTextAtGivesValuesInFileOrder) {
    XmlDocument document;
    document.loadFromMemory("<lote a=\"1.xml\" b='2&amp;3.xml' c = \"\" bare/>");
    const XmlNode& root = *document.rootElement();
    ASSERT_EQ(root.attributeEntryCount(), 4);
    EXPECT_EQ(root.attributeTextAt(0), "1.xml");
    EXPECT_EQ(root.attributeTextAt(1), "2&3.xml");
    EXPECT_EQ(root.attributeTextAt(2), "");
    EXPECT_EQ(root.attributeTextAt(3), "");
    EXPECT_EQ(root.attributeTextAt(4), "");
}

TEST(NodeQueries, BatchListOfManyEntries) {
    std::string bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<LoteNFe>\r\n";
    for (int i = 0; i < 5000; ++i) {
        bytes += "  <ArquivoNFe>nfe" + std::to_string(i) + "-nfe.xml</ArquivoNFe>\r\n";
    }
    bytes += "</LoteNFe>\r\n";
    XmlDocument document;
    document.loadFromMemory(bytes);
    const XmlNode& root = *document.rootElement();
    ASSERT_EQ(root.childCount(), 5000);
    for (int i = 0; i < root.childCount(); i += 999) {
        EXPECT_EQ(root.child(i)->valueText(), "nfe" + std::to_string(i) + "-nfe.xml");
    }
    EXPECT_EQ(root.rawText(), "");
}

TEST(NodeQueries, LoadedBodyIsCopiedIntoANewDocument) {
    const std::string body =
        "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id='NFe4209' versao=\"1.10\">"
        "<ide><cUF>42</cUF><natOp>Venda &amp; servi\xE7o</natOp></ide></infNFe></NFe>";
    XmlDocument request;
    request.loadFromMemory("<?xml version=\"1.0\"?>\n<enviNFe>\n  " + body + "\n</enviNFe>\n");
    const XmlNode& nfe = *request.rootElement()->child(0);
    EXPECT_EQ(nfe.child(0)->attributeText("Id", ""), "NFe4209");
    EXPECT_EQ(nfe.writeToText(), body);

    auto archive = XmlDocument::createWithRoot("nfeProc");
    archive->rootElement()->setRawText(nfe.writeToText());
    EXPECT_EQ(archive->rootElement()->writeToText(), "<nfeProc>" + body + "</nfeProc>");
}

}  // namespace
}  // namespace kelmar::xml
