#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A node keeps its kind, flags, parent and children in shared words: changing one of
// them must leave the others as they were, for every kind and for lists made by the reader.
TEST(NodeQueries, KindParentAttributesAndChildrenStayApart) {
    XmlDocument document;
    document.loadFromMemory(
        "<r>lead<!DOCTYPE d [<!ELEMENT e (#PCDATA)><!ATTLIST e a CDATA #IMPLIED>"
        "<!ENTITY x \"y\"><!NOTATION n SYSTEM \"n\">]><a k=\"1\"><b/></a><!-- c -->"
        "<![CDATA[z]]><!x y><?pi?><?xml-stylesheet href='s.xsl'?>tail</r>");
    XmlNode& root = *document.rootElement();
    const std::vector<ElementKind> expected = {
        ElementKind::DocType,    ElementKind::Element,    ElementKind::Comment,
        ElementKind::CData,      ElementKind::BangMarkup, ElementKind::ProcessingInstruction,
        ElementKind::Stylesheet, ElementKind::TextRun};
    ASSERT_EQ(root.childCount(), static_cast<int>(expected.size()));
    const XmlNode& docType = *root.child(0);
    ASSERT_EQ(docType.childCount(), 4);
    EXPECT_EQ(docType.child(0)->elementKind(), ElementKind::DtdElement);
    EXPECT_EQ(docType.child(1)->elementKind(), ElementKind::DtdAttList);
    EXPECT_EQ(docType.child(2)->elementKind(), ElementKind::DtdEntity);
    EXPECT_EQ(docType.child(3)->elementKind(), ElementKind::DtdNotation);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(docType.child(i)->parent(), &docType);
    }

    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        XmlNode& node = *root.child(static_cast<int>(i));
        const int children = node.childCount();
        const int entries = node.attributeEntryCount();
        node.addAttribute("added", "v");
        XmlNode& first = node.appendChild("one");
        XmlNode& second = node.appendChild("two");
        EXPECT_EQ(node.elementKind(), expected[i]);
        EXPECT_EQ(node.parent(), &root);
        EXPECT_EQ(node.treeDepth(), 1);
        EXPECT_EQ(&node.document(), &document);
        ASSERT_EQ(node.childCount(), children + 2);
        EXPECT_EQ(node.child(children), &first);
        EXPECT_EQ(node.child(children + 1), &second);
        EXPECT_EQ(first.parent(), &node);
        EXPECT_EQ(first.elementKind(), ElementKind::Element);
        EXPECT_EQ(node.attributeEntryCount(), entries + 1);
        EXPECT_EQ(node.attributeText("added", ""), "v");
    }
    const XmlNode& a = *root.child(1);
    EXPECT_EQ(a.attributeText("k", ""), "1");
    EXPECT_EQ(a.child(0)->name(), "b");
    EXPECT_EQ(root.rawText(), "lead");
    EXPECT_EQ(root.child(7)->rawText(), "tail");
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
