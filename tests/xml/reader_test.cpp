#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temporary_folder.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

using kelmar::testing::TemporaryFolder;

class Reader : public ::testing::Test {
  protected:
    void load(std::string_view bytes) { document.loadFromMemory(bytes); }

    // The error message of loading the bytes, or "" when the load succeeds.
    template <class Error = EStreamError>
    std::string loadError(std::string_view bytes) {
        try {
            load(bytes);
        } catch (const Error& error) {
            return error.what();
        }
        return "";
    }

    XmlNode& root() {
        XmlNode* node = document.rootElement();
        EXPECT_NE(node, nullptr);
        return *node;
    }

    XmlDocument document;
};

TEST_F(Reader, LeafValueKeepsSurroundingSpacesAndBreaks) {
    load("<a><nRec> 4200\r\n</nRec></a>");
    EXPECT_EQ(root().child(0)->valueText(), " 4200\r\n");
}

TEST_F(Reader, WhitespaceOnlyContentLeavesNothing) {
    load("<a> \r\n\t </a>");
    EXPECT_EQ(root().rawText(), "");
    EXPECT_EQ(root().childCount(), 0);
}

TEST_F(Reader, IndentationBetweenElementsMakesNoNodes) {
    load("<?xml version=\"1.0\"?>\n<r>\n  <a>1</a>\n  <b>2</b>\n</r>\n");
    ASSERT_EQ(root().childCount(), 2);
    EXPECT_EQ(root().child(0)->name(), "a");
    EXPECT_EQ(root().child(1)->valueText(), "2");
    EXPECT_EQ(root().rawText(), "");
}

TEST_F(Reader, CommentBeforeFirstChildIsChildZero) {
    load("<r><!-- note --><infNFe Id=\"NFe1\"/></r>");
    XmlNode* first = root().child(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->elementKind(), ElementKind::Comment);
    EXPECT_EQ(first->name(), "Comment");
    EXPECT_EQ(first->rawText(), " note ");
    EXPECT_EQ(first->attributeText("Id", ""), "");
    EXPECT_EQ(root().child(1)->attributeText("Id", ""), "NFe1");
}

TEST_F(Reader, SkipCommentsDropsCommentsInsideElements) {
    document.setSkipComments(true);
    load("<r><!-- note --><a/>x<!--c-->y</r>");
    ASSERT_EQ(root().childCount(), 3);
    EXPECT_EQ(root().child(0)->name(), "a");
    EXPECT_EQ(root().child(1)->rawText(), "x");
    EXPECT_EQ(root().child(2)->rawText(), "y");
}

TEST_F(Reader, ThingsBeforeTheRootArePassedOver) {
    load("<?xml version=\"1.0\"?><!-- c --><!DOCTYPE r SYSTEM \"r.dtd\"><?pi x?>stray<r/>");
    EXPECT_EQ(root().name(), "r");
    const XmlNode& top = document.topLevel();
    ASSERT_EQ(top.childCount(), 5);
    EXPECT_EQ(top.child(0)->elementKind(), ElementKind::Declaration);
    EXPECT_EQ(top.child(1)->elementKind(), ElementKind::Comment);
    EXPECT_EQ(top.child(2)->elementKind(), ElementKind::DocType);
    EXPECT_EQ(top.child(2)->name(), "r");
    EXPECT_EQ(top.child(2)->rawText(), "SYSTEM \"r.dtd\"");
    EXPECT_EQ(top.child(3)->elementKind(), ElementKind::ProcessingInstruction);
    EXPECT_EQ(top.child(3)->rawText(), "pi x");
    EXPECT_EQ(top.child(4), document.rootElement());
}

TEST_F(Reader, MixedContent) {
    load("<a>x<b/>y</a>");
    EXPECT_EQ(root().rawText(), "x");
    ASSERT_EQ(root().childCount(), 2);
    EXPECT_EQ(root().child(0)->name(), "b");
    EXPECT_EQ(root().child(1)->elementKind(), ElementKind::TextRun);
    EXPECT_EQ(root().child(1)->rawText(), "y");
    EXPECT_EQ(root().writeToText(), "<a>x<b/>y</a>");
}

TEST_F(Reader, TrailingBreaksAreTrimmedOnlyWithCarriageReturnAfterLastChild) {
    load("<a>\r\n word \r\n<b/>\r\n</a>");
    EXPECT_EQ(root().rawText(), "\r\n word");
    EXPECT_EQ(root().childCount(), 1);

    load("<a>\n word \n<b/>\n</a>");
    EXPECT_EQ(root().rawText(), "\n word \n");

    load("<a><b/>tail\t \r\n</a>");
    ASSERT_EQ(root().childCount(), 2);
    EXPECT_EQ(root().rawText(), "");
    EXPECT_EQ(root().child(1)->rawText(), "tail\t");
}

TEST_F(Reader, TextRunsBetweenChildrenAreTrimmedWhenCrFollowsLastChild) {
    load("<a><b/>mid \n<c/>end\r\n</a>");
    ASSERT_EQ(root().childCount(), 4);
    EXPECT_EQ(root().child(1)->rawText(), "mid");
    EXPECT_EQ(root().child(3)->rawText(), "end");
}

TEST_F(Reader, LeafTextIsNeverTrimmed) {
    load("<a> x \r\n</a>");
    EXPECT_EQ(root().rawText(), " x \r\n");
}

TEST_F(Reader, CloseTagIgnoresCaseAndSurroundingSpaces) {
    load("<NFe><a>1</A ></nfe>");
    EXPECT_EQ(root().child(0)->valueText(), "1");
    load("<r></ r>");
    EXPECT_EQ(root().name(), "r");
}

TEST_F(Reader, AttributesAreStoredAsWritten) {
    load("<r><infNFe id = 'NFe42' versao=\"1.10\" bare a=\"1\" a=\"2\"/></r>");
    XmlNode& node = *root().child(0);
    ASSERT_EQ(node.attributeEntryCount(), 5);
    EXPECT_EQ(node.attributeEntry(0), "id='NFe42'");
    EXPECT_EQ(node.attributeText("Id", "none"), "NFe42");
    EXPECT_EQ(node.attributeText("A", ""), "1");
    EXPECT_EQ(node.attributeEntry(2), "bare");
    EXPECT_EQ(node.attributeTextAt(2), "");
    EXPECT_TRUE(node.attributePresent("VERSAO"));
    EXPECT_FALSE(node.attributePresent("bare"));
    EXPECT_EQ(node.writeToText(), "<infNFe id='NFe42' versao=\"1.10\" bare a=\"1\" a=\"2\"/>");
}

// Words of a start tag are split at whitespace outside quotes; a word starting with "="
// joins the one before it, and so does a quoted word after a word holding "=".
TEST_F(Reader, StartTagWordsJoinAroundEquals) {
    struct Case {
        std::string_view document;
        std::vector<std::string_view> entries;
    };
    const Case cases[] = {
        {"<r a=\"1\" b='2'>t</r>", {"a=\"1\"", "b='2'"}},
        {"<r a =1 b= \"2\" c = '3' d=\"x y\" e>t</r>",
         {"a=1", "b=\"2\"", "c='3'", "d=\"x y\"", "e"}},
        {"<r a =\"1\"\tb\r\n=\"2\"/>", {"a=\"1\"", "b=\"2\""}},
        {"<r x=\"1\"y=\"2\" z>t</r>", {"x=\"1\"y=\"2\"", "z"}},
        {"<r 'q' z>t</r>", {"'q'", "z"}},
        {"<r a= 'q'>t</r>", {"a='q'"}},
        {"<r\n>t</r>", {}},
    };
    for (const Case& c : cases) {
        load(c.document);
        std::vector<std::string_view> entries;
        for (int i = 0; i < root().attributeEntryCount(); ++i) {
            entries.push_back(root().attributeEntry(i));
        }
        EXPECT_EQ(entries, c.entries) << c.document;
        EXPECT_EQ(root().name(), "r") << c.document;
    }
}

TEST_F(Reader, EmptyAttributeValueGivesTheDefault) {
    load("<r Id=\"\" x=\"&amp;\"/>");
    EXPECT_EQ(root().attributeText("Id", "default"), "default");
    EXPECT_EQ(root().attributeText("x", "default"), "&");
    EXPECT_EQ(root().attributeText("missing", "default"), "default");
}

TEST_F(Reader, GreaterThanInsideQuotedValueEndsTheStartTag) {
    load("<r a=\"1>2\">t</r>");
    EXPECT_EQ(root().attributeEntry(0), "a=\"1");
    EXPECT_EQ(root().rawText(), "2\">t");
}

TEST_F(Reader, CDataSectionIsAChild) {
    load("<r><![CDATA[<x> & y]]></r>");
    EXPECT_EQ(root().rawText(), "");
    ASSERT_EQ(root().childCount(), 1);
    EXPECT_EQ(root().child(0)->elementKind(), ElementKind::CData);
    EXPECT_EQ(root().child(0)->name(), "CData");
    EXPECT_EQ(root().child(0)->rawText(), "<x> & y");
    EXPECT_EQ(root().writeToText(), "<r><![CDATA[<x> & y]]></r>");
}

TEST_F(Reader, EntitiesStayStoredAndAreDecodedOnRequest) {
    load("<r>a&amp;b &#231; &#x41;</r>");
    EXPECT_EQ(root().rawText(), "a&amp;b &#231; &#x41;");
    EXPECT_EQ(root().valueText(), "a&b \xE7 A");
    EXPECT_FALSE(document.storedUtf8());
    EXPECT_EQ(document.fileEncoding(), FileEncoding::EightBit);
}

TEST_F(Reader, Utf8WithByteOrderMark) {
    load("\xEF\xBB\xBF<r>a\xC3\xA7&#231;</r>");
    EXPECT_TRUE(document.storedUtf8());
    EXPECT_EQ(document.fileEncoding(), FileEncoding::Utf8);
    EXPECT_EQ(root().name(), "r");
    EXPECT_EQ(root().rawText(), "a\xC3\xA7&#231;");
    EXPECT_EQ(root().valueText(), "a\xC3\xA7\xC3\xA7");
}

TEST_F(Reader, Utf8DeclarationWithoutMark) {
    load("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>&#231;</r>");
    EXPECT_TRUE(document.storedUtf8());
    EXPECT_EQ(document.fileEncoding(), FileEncoding::Utf8);
    EXPECT_EQ(root().valueText(), "\xC3\xA7");
}

TEST_F(Reader, LowerCaseEncodingNameIsEightBit) {
    load("<?xml version=\"1.0\" encoding=\"utf-8\"?><r>&#231;\xC3\xA7</r>");
    EXPECT_FALSE(document.storedUtf8());
    EXPECT_EQ(document.fileEncoding(), FileEncoding::EightBit);
    EXPECT_EQ(root().rawText(), "&#231;\xC3\xA7");
    EXPECT_EQ(root().valueText(), "\xE7\xC3\xA7");
}

std::string utf16(std::string_view text, bool bigEndian, bool mark) {
    std::string out;
    if (mark) {
        out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    }
    for (const char c : text) {
        const char zero = '\0';
        out += bigEndian ? std::string{zero, c} : std::string{c, zero};
    }
    return out;
}

TEST_F(Reader, Utf16LoadsLikeTheEightBitFile) {
    const std::string text = "<?xml version=\"1.0\"?>\r\n<r a='1'><b>\xE7x</b><!--c--></r>\r\n";
    load(text);
    const std::string expected = root().writeToText();
    ASSERT_EQ(expected, "<r a='1'><b>\xE7x</b><!--c--></r>");

    const struct {
        bool bigEndian;
        bool mark;
        FileEncoding encoding;
    } forms[] = {{false, true, FileEncoding::Utf16LittleEndian},
                 {true, true, FileEncoding::Utf16BigEndian},
                 {false, false, FileEncoding::Utf16LittleEndian},
                 {true, false, FileEncoding::Utf16BigEndian}};
    for (const auto& form : forms) {
        XmlDocument wide;
        wide.loadFromMemory(utf16(text, form.bigEndian, form.mark));
        EXPECT_EQ(wide.fileEncoding(), form.encoding);
        EXPECT_EQ(wide.rootElement()->writeToText(), expected);
        EXPECT_FALSE(wide.storedUtf8());
    }
}

TEST_F(Reader, Utf16UnitsAbove255AllBecomeQuestionMarks) {
    // <r>€x€ ✓</r> in UTF-16 LE, plus a lone odd byte at the end.
    std::string bytes = "\xFF\xFE";
    for (const char c : std::string("<r>")) {
        bytes += std::string{c, '\0'};
    }
    bytes += std::string("\xAC\x20", 2) + std::string("x\0", 2) + std::string("\xAC\x20", 2) +
             std::string(" \0", 2) + std::string("\x13\x27", 2);
    for (const char c : std::string("</r>")) {
        bytes += std::string{c, '\0'};
    }
    bytes += 'Z';
    load(bytes);
    EXPECT_EQ(root().rawText(), "?x? ?");
}

TEST_F(Reader, ZeroByteFileIsAnUnsupportedEncoding) {
    EXPECT_EQ(loadError(""), "Unsupported string encoding");
}

TEST_F(Reader, UnsupportedEncodings) {
    const std::vector<std::string> files = {
        std::string("\x00\x00\xFE\xFF", 4),
        std::string("\x00\x00\x00<", 4),
        std::string("<\x00\x00\x00", 4),
        std::string("\x4C\x6F\xA7\x94", 4),
        std::string("<"),
    };
    for (const auto& bytes : files) {
        EXPECT_EQ(loadError(bytes), "Unsupported string encoding");
    }
}

TEST_F(Reader, NoRootElement) {
    for (const std::string bytes : {"<?xml version=\"1.0\"?>", "  \r\n ", "<!-- c -->", "text"}) {
        EXPECT_EQ(loadError<EFilerError>(bytes), "No root element found in xml") << bytes;
    }
}

struct Malformed {
    std::string bytes;
    std::string message;
};

TEST_F(Reader, MalformedMarkupRaisesTheReaderErrors) {
    const std::vector<Malformed> cases = {
        {"<r><a>1</a>", "Missing close tag in element r"},
        {std::string("<r>\0</r>", 8), "Missing close tag in element r"},
        {"<r><a>1</b></r>", "Incorrect close tag in element a"},
        {"<r><a>1</a", "Missing \">\" in close tag of element a"},
        {"<r>< \r\n ", "Missing data after \"<\" in element r"},
        {"<>", "Missing element name"},
        {"<r><></r>", "Missing element name"},
        {"<r>< /></r>", "Incorrect close tag in element r"},
        {"<r><!-- unterminated </r>", "Missing close tag in element r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadError<EFilerError>(c.bytes), c.message) << c.bytes;
    }
}

TEST_F(Reader, MissingFileIsAnOpenError) {
    const TemporaryFolder folder;
    const std::string path = (folder.path() / "nowhere.xml").string();
    try {
        document.loadDocument(path);
        FAIL() << "loaded a missing file";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.what(), "N\xE3o \xE9 poss\xEDvel abrir o arquivo " + path);
    }
}

TEST_F(Reader, ErrorsAreStreamErrors) {
    EXPECT_THROW(load("<r>"), EStreamError);
    const TemporaryFolder folder;
    EXPECT_THROW(document.loadDocument((folder.path() / "none").string()), EStreamError);
}

TEST_F(Reader, FailedLoadKeepsWhatWasRead) {
    EXPECT_THROW(load("<r><a>1</a><b>"), EFilerError);
    XmlNode* r = document.rootElement();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->name(), "r");
    ASSERT_GE(r->childCount(), 1);
    EXPECT_EQ(r->child(0)->valueText(), "1");
}

TEST_F(Reader, TwoTopLevelElementsAndStrayText) {
    load("junk<a/>more<b/>");
    EXPECT_EQ(root().name(), "a");
    EXPECT_EQ(document.topLevel().childCount(), 2);
}

TEST_F(Reader, RootRequiredChecks) {
    document.setRootRequired(true);
    const std::vector<Malformed> cases = {
        {"<a/><b/>", "More than one root element found in xml"},
        {"<?xml version=\"1.0\"?><?xml version=\"1.0\"?><a/>",
         "More than one xml declaration found in xml"},
        {"<!-- c --><?xml version=\"1.0\"?><a/>", "Xml declaration must be first element"},
        {"<!DOCTYPE a><!DOCTYPE a><a/>", "More than one doctype declaration found in root"},
        {"<a/><!DOCTYPE a>", "Doctype declaration found after root element"},
        {"<![CDATA[x]]><a/>", "No CDATA allowed in root"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadError<EFilerError>(c.bytes), c.message) << c.bytes;
    }
    EXPECT_EQ(loadError("<?xml version=\"1.0\"?><!DOCTYPE a><a/>"), "");
}

TEST_F(Reader, WhitespaceAfterLessThanReadsLikeNoWhitespace) {
    load("<r>< b x='1'>t</b>< \n!-- c --></r>");
    ASSERT_EQ(root().childCount(), 2);
    EXPECT_EQ(root().child(0)->name(), "b");
    EXPECT_EQ(root().child(0)->attributeText("x", ""), "1");
    EXPECT_EQ(root().child(1)->elementKind(), ElementKind::Comment);
    load("< r/>");
    EXPECT_EQ(root().name(), "r");
}

TEST_F(Reader, OpenerTable) {
    load(
        "<r><!DOCTYPE d [<!ELEMENT e (#PCDATA)><!ENTITY x \"a > b\"> %p; ]><!x y><?pi?>"
        "<?xml-stylesheet href='s.xsl' type=\"text/xsl\"?><!doctype z></r>");
    const XmlNode& r = root();
    ASSERT_EQ(r.childCount(), 5);
    const XmlNode& docType = *r.child(0);
    EXPECT_EQ(docType.elementKind(), ElementKind::DocType);
    EXPECT_EQ(docType.name(), "d");
    ASSERT_EQ(docType.childCount(), 2);
    EXPECT_EQ(docType.child(0)->elementKind(), ElementKind::DtdElement);
    EXPECT_EQ(docType.child(0)->name(), "e");
    EXPECT_EQ(docType.child(0)->rawText(), "(#PCDATA)");
    EXPECT_EQ(docType.child(1)->elementKind(), ElementKind::DtdEntity);
    EXPECT_EQ(docType.child(1)->rawText(), "\"a > b\"");
    EXPECT_EQ(r.child(1)->elementKind(), ElementKind::BangMarkup);
    EXPECT_EQ(r.child(1)->rawText(), "x y");
    EXPECT_EQ(r.child(2)->elementKind(), ElementKind::ProcessingInstruction);
    EXPECT_EQ(r.child(2)->rawText(), "pi");
    const XmlNode& style = *r.child(3);
    EXPECT_EQ(style.elementKind(), ElementKind::Stylesheet);
    EXPECT_EQ(style.rawText(), "href='s.xsl' type=\"text/xsl\"");
    EXPECT_EQ(style.attributeText("type", ""), "text/xsl");
    // A lower-case keyword is no document type, only markup.
    EXPECT_EQ(r.child(4)->elementKind(), ElementKind::BangMarkup);
    EXPECT_EQ(r.child(4)->rawText(), "doctype z");
    EXPECT_EQ(r.writeToText(),
              "<r><!DOCTYPE d  [<!ELEMENT e (#PCDATA)><!ENTITY x \"a > b\">]><!x y><?pi?>"
              "<?xml-stylesheet href='s.xsl' type=\"text/xsl\"?><!doctype z></r>");
}

TEST_F(Reader, UnterminatedDocTypeSubsetEndsAtEndOfInput) {
    EXPECT_EQ(loadError<EFilerError>("<!DOCTYPE d [ <!ENTITY x 'y'> %p;"),
              "No root element found in xml");
}

TEST_F(Reader, ZeroByteOutsideElementsIsSkipped) {
    load(std::string("\0<r>1</r>\0\0", 11));
    EXPECT_EQ(root().valueText(), "1");
}

TEST_F(Reader, LargeTextsCrossPageBoundaries) {
    std::string text;
    for (int i = 0; i < 30000; ++i) {
        text += "line " + std::to_string(i) + "\r\n";
    }
    std::string bytes = "<r>";
    for (int i = 0; i < 3000; ++i) {
        bytes += "<item n=\"" + std::to_string(i) + "\">v" + std::to_string(i) + "</item>";
    }
    bytes += "<big>" + text + "</big></r>";
    load(bytes);
    ASSERT_EQ(root().childCount(), 3001);
    EXPECT_EQ(root().child(2999)->valueText(), "v2999");
    EXPECT_EQ(root().child(2999)->attributeText("n", ""), "2999");
    EXPECT_EQ(root().child(3000)->rawText(), text);
    EXPECT_EQ(root().writeToText(), bytes);
}

TEST_F(Reader, LoadReplacesEarlierContentAndKeepsOutputSettings) {
    document.setOutputForm(OutputForm::Readable);
    load("<a/>");
    load("<b><c/></b>");
    EXPECT_EQ(document.topLevel().childCount(), 1);
    EXPECT_EQ(root().name(), "b");
    EXPECT_EQ(document.outputForm(), OutputForm::Readable);
}

}  // namespace
}  // namespace kelmar::xml
