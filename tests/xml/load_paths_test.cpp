// The reader must give the same document whether its bytes come from a file read page by
// page, from memory, or from a source that hands them out a few at a time.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temporary_folder.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

using kelmar::testing::readFile;
using kelmar::testing::TemporaryFolder;

// Hands out at most a few bytes per read, so every page the reader fills is short.
class TrickleSource final : public ByteSource {
  public:
    TrickleSource(std::string_view bytes, std::size_t step) : rest_(bytes), step_(step) {}
    std::size_t read(unsigned char* destination, std::size_t size) override {
        const std::size_t count = std::min({size, rest_.size(), step_});
        std::copy_n(rest_.data(), count, destination);
        rest_.remove_prefix(count);
        return count;
    }

  private:
    std::string_view rest_;
    std::size_t step_;
};

// Everything a load leaves: the outcome, the settings it sets and every node.
void describe(const XmlNode& node, std::string& out) {
    out += std::to_string(static_cast<int>(node.elementKind())) + "|" + std::string(node.name()) +
           "|" + std::string(node.rawText()) + "|";
    for (int i = 0; i < node.attributeEntryCount(); ++i) {
        out += std::string(node.attributeEntry(i)) + "|";
    }
    out += "{";
    for (int i = 0; i < node.childCount(); ++i) {
        describe(*node.child(i), out);
    }
    out += "}";
}

template <class Load>
std::string outcome(Load load) {
    XmlDocument document;
    std::string out;
    try {
        load(document);
        out = "loaded";
    } catch (const EFilerError& error) {
        out = std::string("filer error: ") + error.what();
    } catch (const EStreamError& error) {
        out = std::string("stream error: ") + error.what();
    }
    out += " encoding " + std::to_string(static_cast<int>(document.fileEncoding())) + " utf8 " +
           std::to_string(document.storedUtf8()) + "\n";
    describe(document.topLevel(), out);
    return out;
}

std::string utf16(std::string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

// Inputs that cross the reader's 16 KiB pages in every place a text, a tag, an opener or
// a closer can stand.
std::string largeDocument() {
    std::string bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<lote versao=\"1.10\">\r\n";
    for (int i = 0; bytes.size() < 300'000; ++i) {
        bytes += "  <item n=\"" + std::to_string(i) + "\" a = 'x&amp;y'>texto " +
                 std::string(static_cast<std::size_t>(i % 97), 'x') +
                 "<!-- c --><![CDATA[<d>]]><vazio/>resto</item>\r\n";
    }
    bytes += "  <longo>" + std::string(200'000, 'z') + "</longo>\r\n</lote>\r\n";
    return bytes;
}

std::vector<std::pair<std::string, std::string>> corpus() {
    std::vector<std::pair<std::string, std::string>> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(KELMAR_XML_CORPUS_DIR)) {
        inputs.emplace_back(entry.path().filename().string(), readFile(entry.path()));
    }
    std::sort(inputs.begin(), inputs.end());
    const std::string large = largeDocument();
    const std::vector<std::pair<std::string, std::string>> made = {
        {"empty", ""},
        {"one byte of a mark", "\xEF"},
        {"two bytes of a mark", "\xEF\xBB"},
        {"UTF-16 mark alone", "\xFF\xFE"},
        {"four-byte form", std::string("\0\0\xFE\xFF<r/>", 8)},
        {"EBCDIC", "\x4C\x6F\xA7\x94"},
        {"zero byte inside", std::string("<r>a\0b</r>", 10)},
        {"unclosed", "<r><a>1</a><b>"},
        {"wrong close tag", "<r><a>1</b></r>"},
        {"only whitespace", " \r\n\t "},
        // Leaves and start tags next to the forms the page-wise shortcuts must leave alone.
        {"leaves and tags",
         "<r><a>x</a><b> </b><c>1\r\n</c><d>t</d ><e>t< /e><f>t</F><g/><h>t<i>u</i></h>"
         "<j k=\"1\" l='2'>v</j><m n= \"1\" o =\"2\" p=\"a b\">w</m><q<s>y</q<s>"
         "<t>\r\n</t><u v='\"' w=\"'\">x</u><!x>y</!x><?p?>z</r>"},
        {"leaf cut at its close tag", "<r><a>x</a"},
        {"large", large},
        {"large without its end", large.substr(0, large.size() - 100'001)},
        {"large UTF-16 LE", utf16(large, false)},
        {"large UTF-16 BE with a lone last byte", utf16(large, true) + "x"},
    };
    inputs.insert(inputs.end(), made.begin(), made.end());
    return inputs;
}

TEST(LoadPaths, FileAndMemoryGiveTheSameDocument) {
    const TemporaryFolder folder;
    const auto inputs = corpus();
    ASSERT_GT(inputs.size(), 20u);
    for (const auto& [label, bytes] : inputs) {
        const std::string path = folder.write("in.xml", bytes).string();
        const std::string fromFile =
            outcome([&](XmlDocument& document) { document.loadDocument(path); });
        const std::string fromMemory =
            outcome([&](XmlDocument& document) { document.loadFromMemory(bytes); });
        EXPECT_EQ(fromFile, fromMemory) << label;
        for (const std::size_t step : {1u, 3u, 4096u}) {
            const std::string trickled = outcome([&](XmlDocument& document) {
                TrickleSource source(bytes, step);
                document.loadFrom(source);
            });
            EXPECT_EQ(trickled, fromMemory) << label << " in pieces of " << step;
        }
    }
}

TEST(LoadPaths, TheLargeDocumentIsReadWhole) {
    XmlDocument document;
    document.loadFromMemory(largeDocument());
    const XmlNode& root = *document.rootElement();
    const XmlNode& last = *root.child(root.childCount() - 1);
    EXPECT_EQ(last.name(), "longo");
    EXPECT_EQ(last.rawText(), std::string(200'000, 'z'));
    EXPECT_EQ(root.child(1)->attributeText("a", ""), "x&y");
    EXPECT_EQ(root.child(1)->rawText(), "texto x");
    ASSERT_EQ(root.child(1)->childCount(), 4);
    EXPECT_EQ(root.child(1)->child(3)->rawText(), "resto");
}

}  // namespace
}  // namespace kelmar::xml
