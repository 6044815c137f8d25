#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#ifdef __linux__
#include <sys/resource.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "support/temporary_folder.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

using kelmar::testing::readFile;
using kelmar::testing::TemporaryFolder;

// The path text of a file in the folder (ASCII names, so valid as Windows-1252 text).
std::string pathIn(const TemporaryFolder& folder, std::string_view name) {
    return (folder.path() / name).string();
}

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A document made the way the system makes every document it writes.
std::unique_ptr<XmlDocument> systemDocument(std::string_view rootName) {
    auto document = XmlDocument::createWithRoot(rootName);
    document->setOutputForm(OutputForm::Compact);
    document->setDeclarationEncoding("UTF-8");
    document->setDeclarationVersion("1.0");
    return document;
}

std::string saved(const XmlDocument& document) {
    const TemporaryFolder folder;
    const std::string path = pathIn(folder, "saved.xml");
    document.saveDocument(path);
    return readFile(path);
}

class CollectingSink final : public ByteSink {
  public:
    void write(std::string_view bytes) override {
        text += bytes;
        ++writes;
        pieceSizes.push_back(bytes.size());
    }
    std::string text;
    int writes = 0;
    std::vector<std::size_t> pieceSizes;
};

TEST(WorkedExamples, BatchNumberDocumentIsExactly109Bytes) {
    auto document = systemDocument("DadosLoteNfe");
    document->rootElement()->writeTextChild("NumeroLoteGerado", "205", "");

    const std::string bytes = saved(*document);

    EXPECT_EQ(bytes, kDeclaration +
                         "<DadosLoteNfe><NumeroLoteGerado>205</NumeroLoteGerado></DadosLoteNfe>\n");
    EXPECT_EQ(bytes.size(), 109u);
}

TEST(WorkedExamples, AttributesAndNestedElement) {
    const std::string ns = "http://www.portalfiscal.inf.br/nfe";
    auto document = systemDocument("retEnviNFe");
    XmlNode& root = *document->rootElement();
    root.addAttribute("xmlns", ns);
    root.addAttribute("versao", "1.10");
    root.writeTextChild("tpAmb", "2");
    root.writeTextChild("verAplic", "1.10");
    root.writeTextChild("cStat", "103");
    root.writeTextChild("xMotivo", "Lote recebido com sucesso");
    root.writeTextChild("cUF", "42");
    XmlNode& receipt = root.appendChild("infRec");
    receipt.writeTextChild("nRec", "420000000589900");
    receipt.writeDateTimeChild("dhRecbto", platform::LocalDateTime{2009, 1, 16, 14, 50, 43, 551});
    receipt.writeTextChild("tMed", "2");

    EXPECT_EQ(saved(*document),
              kDeclaration + "<retEnviNFe xmlns=\"" + ns +
                  "\" versao=\"1.10\"><tpAmb>2</tpAmb><verAplic>1.10</verAplic><cStat>103</cStat>"
                  "<xMotivo>Lote recebido com sucesso</xMotivo><cUF>42</cUF><infRec>"
                  "<nRec>420000000589900</nRec><dhRecbto>2009-01-16T14:50:43.551Z</dhRecbto>"
                  "<tMed>2</tMed></infRec></retEnviNFe>\n");
}

TEST(WorkedExamples, EscapingFoldingShortFormAndRawText) {
    auto document = systemDocument("doc");
    XmlNode& root = *document->rootElement();
    root.addAttribute("a", "x<y & \"z\"");
    root.writeTextChild("xMotivo", "Denega\xE7\xE3o: Situa\xE7\xE3o Irregular");
    root.writeTextChild("obs", "n\xBA 5 & <b>");
    root.writeTextChild("vazio", "");
    root.appendChild("grupo");

    EXPECT_EQ(saved(*document),
              kDeclaration +
                  "<doc a=\"x&lt;y &amp; &quot;z&quot;\"><xMotivo>Denegacao: Situacao Irregular"
                  "</xMotivo><obs>n\xC2\xBA 5 &amp; &lt;b&gt;</obs><vazio/><grupo/></doc>\n");

    auto raw = systemDocument("doc");
    raw->rootElement()->setRawText("<inf>a&amp;b</inf>");
    EXPECT_EQ(saved(*raw), kDeclaration + "<doc><inf>a&amp;b</inf></doc>\n");
}

TEST(Writer, FreshDocumentHasWindows1252DeclarationAndUnnamedRoot) {
    XmlDocument document;
    CollectingSink sink;
    document.writeDocumentTo(sink);
    EXPECT_EQ(sink.text, "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<></>\n");
    EXPECT_EQ(document.outputForm(), OutputForm::Compact);
    EXPECT_EQ(document.topLevel().treeDepth(), -1);
    EXPECT_EQ(document.rootElement()->treeDepth(), 0);
}

TEST(Writer, RootIsNeverShortButDeeperEmptyElementsAre) {
    auto document = systemDocument("r");
    EXPECT_EQ(document->rootElement()->writeToText(), "<r></r>");

    XmlNode& x = document->rootElement()->appendChild("x");
    x.addAttribute("a", "1");
    EXPECT_EQ(x.writeToText(), "<x a=\"1\"/>");
    EXPECT_EQ(document->rootElement()->writeToText(), "<r><x a=\"1\"/></r>");
}

TEST(Writer, WriteToTextOfRootIsTheSavedRootLine) {
    auto document = systemDocument("DadosLoteNfe");
    document->rootElement()->writeTextChild("NumeroLoteGerado", "205");
    const std::string file = saved(*document);
    EXPECT_EQ(kDeclaration + document->rootElement()->writeToText() + "\n", file);
}

TEST(Writer, TextAndChildrenTogether) {
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    root.setText("a<b");
    root.appendChild("c").setText("d");
    EXPECT_EQ(root.writeToText(), "<r>a&lt;b<c>d</c></r>");
}

TEST(Writer, WriteTextChildReusesChildIgnoringCase) {
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    root.writeTextChild("cStat", "100");
    root.writeTextChild("CSTAT", "204");
    ASSERT_EQ(root.childCount(), 1);
    EXPECT_EQ(root.child(0)->name(), "cStat");
    EXPECT_EQ(root.child(0)->rawText(), "204");
}

TEST(Writer, WriteTextChildKeepsAttributesAndChildrenOfReusedChild) {
    auto document = systemDocument("r");
    XmlNode& child = document->rootElement()->appendChild("c");
    child.addAttribute("k", "v");
    child.appendChild("g");
    document->rootElement()->writeTextChild("c", "t");
    EXPECT_EQ(child.writeToText(), "<c k=\"v\">t<g/></c>");
}

TEST(Writer, AppendChildAlwaysAddsANewNode) {
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    XmlNode& first = root.appendChild("NFe");
    XmlNode& second = root.appendChild("NFe");
    EXPECT_NE(&first, &second);
    EXPECT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.child(0), &first);
    EXPECT_EQ(root.child(1), &second);
    EXPECT_EQ(root.findChild("nfe"), &first);
    EXPECT_EQ(&root.findOrAppendChild("NFE"), &first);
    EXPECT_EQ(root.findChild("missing"), nullptr);
}

TEST(Writer, DuplicateAttributesAreKeptAndSetAttributeReplacesTheFirst) {
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    root.addAttribute("a", "1");
    root.addAttribute("a", "2");
    EXPECT_EQ(root.writeToText(), "<r a=\"1\" a=\"2\"></r>");
    root.setAttribute("A", "3");
    EXPECT_EQ(root.writeToText(), "<r A=\"3\" a=\"2\"></r>");
    root.setAttribute("b", "4");
    EXPECT_EQ(root.attributeEntryCount(), 3);
    EXPECT_EQ(root.attributeEntry(2), "b=\"4\"");
    EXPECT_EQ(root.attributeEntry(3), "");
    EXPECT_EQ(root.attributeEntry(-1), "");
}

TEST(Writer, AttributeValueWithBothQuotes) {
    auto document = systemDocument("r");
    document->rootElement()->addAttribute("q", "it's \"x\"");
    EXPECT_EQ(document->rootElement()->writeToText(), "<r q=\"it&apos;s &quot;x&quot;\"></r>");
}

TEST(Writer, EscapingHappensOnceWhenStoredAndNeverWhenWritten) {
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    root.writeTextChild("a", "A&B");
    root.writeTextChild("b", "&amp;");
    root.appendChild("c").setRawText("&amp;<i/>");
    EXPECT_EQ(root.writeToText(), "<r><a>A&amp;B</a><b>&amp;amp;</b><c>&amp;<i/></c></r>");
}

TEST(Writer, OnlyTextChildrenAreFoldedAndConverted) {
    auto document = systemDocument("r\xE3");
    XmlNode& root = *document->rootElement();
    root.addAttribute("v", "n\xE3o");
    root.writeTextChild("t", "n\xE3o \xE4 \xBA \x80");
    root.appendChild("raw").setRawText("n\xE3o");
    EXPECT_EQ(root.writeToText(),
              "<r\xE3 v=\"n\xE3o\"><t>nao \xC3\xA4 \xC2\xBA \xE2\x82\xAC</t>"
              "<raw>n\xE3o</raw></r\xE3>");
}

TEST(Writer, DateTimeAtMidnightIsTheDateAlone) {
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    root.writeDateTimeChild("a", platform::LocalDateTime{2009, 1, 16, 0, 0, 0, 0});
    root.writeDateTimeChild("b", platform::LocalDateTime{2009, 1, 16, 0, 0, 0, 1});
    EXPECT_EQ(root.writeToText(), "<r><a>2009-01-16</a><b>2009-01-16T00:00:00.001Z</b></r>");
}

TEST(Writer, WriteEqualToDefaultOffSkipsDefaultValues) {
    auto document = systemDocument("r");
    document->setWriteEqualToDefault(false);
    XmlNode& root = *document->rootElement();
    root.writeTextChild("a", "x", "x");
    root.writeTextChild("b", "y", "x");
    root.writeDateTimeChild("c", {}, {});
    EXPECT_EQ(root.writeToText(), "<r><b>y</b></r>");
}

struct IllegalName {
    const char* label;
    const char* name;
};

class SetNameFailures : public ::testing::TestWithParam<IllegalName> {};

TEST_P(SetNameFailures, LeaveTheTreeUnchanged) {
    const std::string name = GetParam().name;
    const std::string message = "Illegal character in node name \"" + name + "\"";
    auto document = systemDocument("r");
    XmlNode& root = *document->rootElement();
    root.appendChild("keep");
    const std::string before = root.writeToText();

    auto expectFailure = [&](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "no error for " << name;
        } catch (const kelmar::Error& error) {
            EXPECT_EQ(error.what(), message);
        }
    };
    expectFailure([&] { root.setName(name); });
    expectFailure([&] { root.appendChild(name); });
    expectFailure([&] { root.findOrAppendChild(name); });
    expectFailure([&] { root.writeTextChild(name, "t"); });
    expectFailure([&] { XmlDocument::createWithRoot(name); });

    EXPECT_EQ(root.writeToText(), before);
    EXPECT_EQ(root.name(), "r");
}

INSTANTIATE_TEST_SUITE_P(Writer, SetNameFailures,
                         ::testing::Values(IllegalName{"Space", "dados lote"},
                                           IllegalName{"Tab", "a\tb"},
                                           IllegalName{"LineFeed", "a\nb"},
                                           IllegalName{"CarriageReturn", "a\rb"},
                                           IllegalName{"OnlySpace", " "}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(Writer, NamesWithOtherCharactersAreAccepted) {
    auto document = systemDocument("a=b<c");
    document->rootElement()->appendChild("");
    EXPECT_EQ(document->rootElement()->writeToText(), "<a=b<c></></a=b<c>");
}

TEST(Writer, SetNameToTheSameNameIsAllowedAndKeepsIt) {
    auto document = systemDocument("r");
    document->rootElement()->setName("r");
    EXPECT_EQ(document->rootElement()->name(), "r");
}

TEST(Writer, ReadableFormIndentsAndBreaksLines) {
    auto document = XmlDocument::createWithRoot("r");
    document->setOutputForm(OutputForm::Readable);
    XmlNode& root = *document->rootElement();
    root.appendChild("a").appendChild("b").setText("t");
    root.appendChild("c");
    CollectingSink sink;
    document->writeDocumentTo(sink);
    EXPECT_EQ(sink.text,
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
              "<r>\r\n  <a>\r\n    <b>t</b>\r\n  </a>\r\n  <c/>\r\n</r>\r\n");
}

TEST(Writer, DeclarationSettersReplaceInPlace) {
    XmlDocument document;
    document.setDeclarationEncoding("UTF-8");
    document.setDeclarationVersion("1.0");
    EXPECT_EQ(document.topLevel().child(0)->writeToText(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    document.setDeclarationVersion("1.1");
    EXPECT_EQ(document.topLevel().child(0)->writeToText(),
              "<?xml version=\"1.1\" encoding=\"UTF-8\"?>");
}

TEST(Writer, RootRequiredRefusesADocumentWithoutRoot) {
    XmlDocument document;
    EXPECT_THROW(document.loadFromMemory("<?xml version=\"1.0\"?>"), EFilerError);
    document.setRootRequired(true);
    CollectingSink sink;
    try {
        document.writeDocumentTo(sink);
        FAIL() << "written without root";
    } catch (const kelmar::Error& error) {
        EXPECT_STREQ(error.what(), "XML root element not defined.");
    }
}

TEST(Saving, MissingFolderFailsAndCreatesNothing) {
    const TemporaryFolder folder;
    const std::string path = pathIn(folder, "missing") + "/file.xml";
    auto document = systemDocument("r");
    try {
        document->saveDocument(path);
        FAIL() << "saved into a missing folder";
    } catch (const kelmar::Error& error) {
        EXPECT_EQ(error.what(), "N\xE3o \xE9 poss\xEDvel criar o arquivo " + path);
    }
    EXPECT_FALSE(std::filesystem::exists(pathIn(folder, "missing")));
    // The document stays usable.
    const std::string good = pathIn(folder, "good.xml");
    document->saveDocument(good);
    EXPECT_EQ(readFile(good), kDeclaration + "<r></r>\n");
}

TEST(Saving, ReplacesTheWholeContentOfAnExistingFile) {
    const TemporaryFolder folder;
    const std::string path = folder.write("x.xml", std::string(5000, 'z')).string();
    auto document = systemDocument("r");
    document->saveDocument(path);
    EXPECT_EQ(readFile(path), kDeclaration + "<r></r>\n");
    document->rootElement()->writeTextChild("again", "1");
    document->saveDocument(path);
    EXPECT_EQ(readFile(path), kDeclaration + "<r><again>1</again></r>\n");
}

TEST(Saving, LargeDocumentGoesOutIn64KiBPieces) {
    auto document = systemDocument("r");
    for (int i = 0; i < 20000; ++i) {
        document->rootElement()->writeTextChild(i % 2 == 0 ? "a" : "b", std::to_string(i));
        document->rootElement()->appendChild("item").setText(std::to_string(i));
    }
    CollectingSink sink;
    document->writeDocumentTo(sink);
    const std::size_t fullPieces = sink.text.size() / 65536;
    EXPECT_GT(fullPieces, 0u);
    EXPECT_EQ(sink.writes, static_cast<int>(fullPieces + (sink.text.size() % 65536 ? 1 : 0)));

    const TemporaryFolder folder;
    const std::string path = pathIn(folder, "large.xml");
    document->saveDocument(path);
    EXPECT_EQ(readFile(path), sink.text);
}

// The buffer starts small and grows: whatever the sizes of the texts written into it, the
// sink gets whole 64 KiB pieces and one last piece, and a short document in one write.
TEST(Saving, EveryPieceButTheLastIsExactly64KiB) {
    for (const std::size_t textSize :
         {std::size_t{10}, std::size_t{1000}, std::size_t{1025}, std::size_t{40000},
          std::size_t{65536}, std::size_t{200000}}) {
        SCOPED_TRACE(textSize);
        auto document = systemDocument("r");
        XmlNode& root = *document->rootElement();
        root.writeTextChild("small", "1");
        root.writeTextChild("big", std::string(textSize, 'x'));
        root.writeTextChild("after", std::string(textSize / 3, 'y'));
        CollectingSink sink;
        document->writeDocumentTo(sink);
        EXPECT_EQ(sink.text, kDeclaration + "<r><small>1</small><big>" +
                                 std::string(textSize, 'x') + "</big><after>" +
                                 std::string(textSize / 3, 'y') + "</after></r>\n");
        ASSERT_FALSE(sink.pieceSizes.empty());
        for (std::size_t i = 0; i + 1 < sink.pieceSizes.size(); ++i) {
            EXPECT_EQ(sink.pieceSizes[i], 65536u) << "piece " << i;
        }
        EXPECT_EQ(sink.pieceSizes.size(), (sink.text.size() + 65535) / 65536);
    }
}

#ifdef __linux__
// A file size limit makes the disk take fewer bytes than handed, like a full disk. The
// limit is set in a child process so the rest of the tests keep writing normally.
TEST(Saving, ShortWriteFailsAndLeavesNoPartialFile) {
    const TemporaryFolder folder;
    const std::string path = folder.write("old.xml", "old content").string();
    auto document = systemDocument("r");
    for (int i = 0; i < 30000; ++i) {
        document->rootElement()->appendChild("item").setText(std::to_string(i));
    }
    auto saveWithLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            document->saveDocument(path);
        } catch (const kelmar::Error& error) {
            const bool expected = std::string(error.what()) == "Cannot write to output stream" &&
                                  readFile(path) == "old content";
            std::exit(expected ? 0 : 2);
        }
        std::exit(1);
    };
    EXPECT_EXIT(saveWithLimit(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace kelmar::xml
