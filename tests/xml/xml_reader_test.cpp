#include <gtest/gtest.h>

#include "support/temporary_folder.hpp"
#include "xml/xml_document.hpp"
#include "xml/xml_reader.hpp"

namespace kelmar::xml {
namespace {

std::unique_ptr<XmlDocument> load(std::string_view bytes) {
    auto document = std::make_unique<XmlDocument>();
    document->loadFromBytes(bytes);
    return document;
}

std::string loadError(std::string_view bytes) {
    try {
        load(bytes);
    } catch (const EStreamError& error) {
        return error.what();
    }
    return "no error";
}

TEST(XmlReaderTest, ReaderErrorsCarryTheirMessages) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"", "Unsupported string encoding"},
        {"<", "Unsupported string encoding"},  // matched on its one byte as four-byte text
        {std::string("\x00\x00\xFE\xFF", 4), "Unsupported string encoding"},
        {"\x4C\x6F\xA7\x94", "Unsupported string encoding"},
        {"  \r\n ", "No root element found in xml"},
        {"<?xml version=\"1.0\"?>", "No root element found in xml"},
        {"<!-- so -->texto", "No root element found in xml"},
        {"<>", "Missing element name"},
        {"\xEF", "No root element found in xml"},  // shorter than the mark it starts
        {"\xFE", "Unsupported string encoding"},  // matches a four-byte mark on its one byte
        {"<a><b>", "Missing close tag in element b"},
        {std::string("<a>x\0</a>", 9), "Missing close tag in element a"},
        {"<a><   ", "Missing data after \"<\" in element a"},
        {"<a></a", "Missing \">\" in close tag of element a"},
        {"<a></b>", "Incorrect close tag in element a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadError(c.bytes), c.message) << c.bytes;
    }
}

TEST(XmlReaderTest, WhitespaceBetweenElementsIsNoNode) {
    auto document = load(
        "<?xml version=\"1.0\"?>\r\n<!-- c -->\n<r>\r\n  <a>1</a>\r\n  <b> 2 \r\n</b>\n</r>\n");
    XmlNode& root = *document->rootElement();
    EXPECT_EQ(root.name(), "r");
    ASSERT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.child(0)->valueText(), "1");
    EXPECT_EQ(root.child(1)->rawText(), " 2 \r\n");
    EXPECT_EQ(root.rawText(), "");
    EXPECT_EQ(root.child(-1), nullptr);
    EXPECT_EQ(root.child(2), nullptr);
    EXPECT_EQ(document->topLevel().childCount(), 3);  // declaration, comment, root
}

TEST(XmlReaderTest, CommentBeforeTheFirstChildIsChildZero) {
    auto document = load("<r><!-- aviso --><infNFe Id=\"NFe1\"/></r>");
    XmlNode& first = *document->rootElement()->child(0);
    EXPECT_EQ(first.elementKind(), ElementKind::Comment);
    EXPECT_EQ(first.name(), "Comment");
    EXPECT_EQ(first.rawText(), " aviso ");
    EXPECT_EQ(first.attributeText("Id", ""), "");
}

TEST(XmlReaderTest, MixedTextBecomesRawTextAndTextRuns) {
    auto document = load("<a>x<b/>y</a>");
    XmlNode& a = *document->rootElement();
    EXPECT_EQ(a.rawText(), "x");
    ASSERT_EQ(a.childCount(), 2);
    EXPECT_EQ(a.child(1)->elementKind(), ElementKind::TextRun);
    EXPECT_EQ(a.child(1)->rawText(), "y");
    EXPECT_EQ(a.writeToText(), "<a>x<b/>y</a>");
}

TEST(XmlReaderTest, TrailingTextIsTrimmedOnlyAfterACarriageReturn) {
    auto crlf = load("<a>\r\n word \r\n<b/>\r\n</a>");
    EXPECT_EQ(crlf->rootElement()->rawText(), "\r\n word");
    auto lf = load("<a>\n word \n<b/>\n</a>");
    EXPECT_EQ(lf->rootElement()->rawText(), "\n word \n");
}

TEST(XmlReaderTest, AttributesAreKeptAsWritten) {
    auto document = load("<r id = 'v1' Id=\"v2\" bare x=\"a&amp;b\" y=\"\"/>");
    XmlNode& r = *document->rootElement();
    EXPECT_EQ(r.attributeEntryCount(), 5);
    EXPECT_EQ(r.attributeEntry(0), "id='v1'");
    EXPECT_EQ(r.attributeText("ID", "d"), "v1");
    EXPECT_TRUE(r.attributePresent("bare") == false);
    EXPECT_EQ(r.attributeTextAt(2), "");
    EXPECT_EQ(r.attributeText("x", ""), "a&b");
    EXPECT_EQ(r.attributeText("y", "padrao"), "padrao");
    EXPECT_EQ(r.attributeText("z", "padrao"), "padrao");
    EXPECT_EQ(r.writeToText(),
              "<r id='v1' Id=\"v2\" bare x=\"a&amp;b\" y=\"\"></r>");  // a root is never short
}

TEST(XmlReaderTest, GreaterThanInsideAQuotedValueEndsTheTag) {
    auto document = load("<r a=\"1>2\">x</r>");
    XmlNode& r = *document->rootElement();
    EXPECT_EQ(r.attributeEntry(0), "a=\"1");
    EXPECT_EQ(r.rawText(), "2\">x");
}

TEST(XmlReaderTest, CloseTagsIgnoreCaseAndSurroundingSpaces) {
    auto document = load("<Nfe><a>1</ A ></nfe>");
    EXPECT_EQ(document->rootElement()->child(0)->valueText(), "1");
}

TEST(XmlReaderTest, CDataAndOtherMarkupKinds) {
    auto document = load(
        "<!DOCTYPE nfe SYSTEM \"x.dtd\"><?xml-stylesheet href=\"a.xsl\" ?><?pi dados?>"
        "<r><![CDATA[<b>&amp;</b>]]><!ENTITY e \"v\"><!x></r>");
    const XmlNode& top = document->topLevel();
    EXPECT_EQ(top.child(0)->elementKind(), ElementKind::DocType);
    EXPECT_EQ(top.child(0)->name(), "nfe");
    EXPECT_EQ(top.child(0)->rawText(), "SYSTEM \"x.dtd\"");
    EXPECT_EQ(top.child(1)->elementKind(), ElementKind::Stylesheet);
    EXPECT_EQ(top.child(1)->attributeText("href", ""), "a.xsl");
    EXPECT_EQ(top.child(2)->elementKind(), ElementKind::ProcessingInstruction);
    XmlNode& r = *document->rootElement();
    EXPECT_EQ(r.rawText(), "");
    ASSERT_EQ(r.childCount(), 3);
    EXPECT_EQ(r.child(0)->elementKind(), ElementKind::CData);
    EXPECT_EQ(r.child(0)->rawText(), "<b>&amp;</b>");
    EXPECT_EQ(r.child(1)->elementKind(), ElementKind::DtdEntity);
    EXPECT_EQ(r.child(2)->elementKind(), ElementKind::BangMarkup);
    EXPECT_EQ(r.writeToText(), "<r><![CDATA[<b>&amp;</b>]]><!ENTITY e \"v\"><!x></r>");
}

TEST(XmlReaderTest, TwoTopLevelElementsAndStrayText) {
    auto document = load("lixo <a>1</a><b>2</b> fim");
    EXPECT_EQ(document->rootElement()->name(), "a");
    EXPECT_EQ(document->topLevel().childCount(), 2);
    XmlDocument strict;
    strict.setRootRequired(true);
    EXPECT_THROW(strict.loadFromBytes("<a/><b/>"), EFilerError);
}

TEST(XmlReaderTest, EncodingsAndStoredUtf8) {
    auto bom = load("\xEF\xBB\xBF<r>S\xC3\xA3o &#231;</r>");
    EXPECT_TRUE(bom->storedUtf8());
    EXPECT_EQ(bom->fileEncoding(), 7);
    EXPECT_EQ(bom->rootElement()->valueText(), "S\xC3\xA3o \xC3\xA7");

    auto declared = load("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>&#231;</r>");
    EXPECT_TRUE(declared->storedUtf8());
    auto lower = load("<?xml version=\"1.0\" encoding=\"utf-8\"?><r>&#231;</r>");
    EXPECT_FALSE(lower->storedUtf8());
    EXPECT_EQ(lower->rootElement()->valueText(), "\xE7");

    const std::string utf16("\xFF\xFE<\0r\0>\0\xE7\0\x2D\x4E\x2D\x4E<\0/\0r\0>\0", 22);
    auto wide = load(utf16);
    EXPECT_EQ(wide->fileEncoding(), 9);
    EXPECT_EQ(wide->rootElement()->rawText(), "\xE7?" "?");
    const std::string bigEndian("\xFE\xFF\0<\0r\0>\0a\0<\0/\0r\0>", 18);
    EXPECT_EQ(load(bigEndian)->rootElement()->rawText(), "a");
}

TEST(XmlReaderTest, WhitespaceAfterTheOpeningBracketDoesNotCrash) {
    EXPECT_EQ(load("< r>x</r>")->rootElement()->name(), "r");
    XmlDocument document;
    try {
        document.loadFromBytes("<r>< a>x</a></r>");
    } catch (const EStreamError&) {
        // an error is an acceptable answer; a crash is not
    }
}

TEST(XmlReaderTest, NestingBeyondTheLimitIsAnError) {
    std::string ok;
    for (int i = 0; i < 300; ++i)
        ok += "<a>";
    for (int i = 0; i < 300; ++i)
        ok += "</a>";
    EXPECT_NO_THROW(load(ok));

    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    EXPECT_THROW(load(deep), EFilerError);
}

TEST(XmlReaderTest, LoadDocumentReadsFilesAndReportsMissingOnes) {
    testing::TemporaryFolder folder;
    folder.write("r.xml", "<r><nRec> 42 </nRec></r>");
    XmlDocument document;
    document.loadDocument(folder.text() + "\\r.xml");
    EXPECT_EQ(document.rootElement()->child(0)->valueText(), " 42 ");
    XmlDocument missing;
    try {
        missing.loadDocument(folder.text() + "\\x.xml");
        FAIL();
    } catch (const EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "N\xE3o \xE9 poss\xEDvel abrir o arquivo " + folder.text() + "\\x.xml");
    }
}

TEST(XmlReaderTest, ElementWrittenBackKeepsWhatWasRead) {
    auto document = load(
        "<NFe>\r\n  <infNFe Id='NFe1' versao=\"1.10\">\r\n    <xNome>A &amp; B</xNome>\r\n  "
        "</infNFe>\r\n</NFe>");
    EXPECT_EQ(document->rootElement()->child(0)->writeToText(),
              "<infNFe Id='NFe1' versao=\"1.10\"><xNome>A &amp; B</xNome></infNFe>");
}

}  // namespace
}  // namespace kelmar::xml
