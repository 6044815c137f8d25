// Loads arbitrary bytes as an XML document, then runs every node query over every node of
// whatever was read (also after a failed load) and writes every node back as text. The
// bytes are loaded from memory: the reader takes the same path as from a file's pages,
// and no scratch file slows every run down.
//
// Each input is loaded once, with the options its length picks: odd lengths load strictly
// (comments skipped, a root required), even ones with the defaults. A mutation that adds
// or drops a byte moves an input to the other options, so both get their share of runs
// without spending a byte of the input on a flag, and a saved crash replays the same way.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_document.hpp"

namespace {

using kelmar::xml::XmlDocument;
using kelmar::xml::XmlNode;

class CountingSink final : public kelmar::xml::ByteSink {
  public:
    void write(std::string_view bytes) override { total += bytes.size(); }
    std::size_t total = 0;
};

constexpr int kNamedLookups = 4;
// Finding a node's depth or document walks up to the top, so checking them on every node
// of a deep tree would cost the square of its depth: the nodes this near the top check
// them, which covers the walk all the same.
constexpr int kWalkedDepth = 4;

// Every query of one node, at depth in the tree; the results are checked for the
// relations that must hold.
void queryNode(const XmlNode& node, int depth) {
    const int children = node.childCount();
    if (node.child(-1) != nullptr || node.child(children) != nullptr) {
        std::abort();
    }
    volatile std::size_t sink = 0;
    sink = sink + node.name().size() + node.rawText().size() + node.valueText().size();
    sink = sink + static_cast<int>(node.elementKind());
    if (depth <= kWalkedDepth) {
        if (node.treeDepth() != depth ||
            (node.parent() != nullptr && &node.parent()->document() != &node.document())) {
            std::abort();
        }
    }
    const int entries = node.attributeEntryCount();
    for (int i = -1; i <= entries; ++i) {
        const std::string_view entry = node.attributeEntry(i);
        sink = sink + entry.size() + node.attributeTextAt(i).size();
        // A lookup by name walks the entries, so doing it for every entry of a tag with
        // thousands of them would spend the run on one node: the first few cover the
        // lookup's paths (found, missing, an entry without "=").
        if (i >= kNamedLookups) {
            continue;
        }
        const std::string_view name = entry.substr(0, entry.find('='));
        if (entry.find('=') != std::string_view::npos && !node.attributePresent(name)) {
            std::abort();
        }
        sink = sink + node.attributeText(name, "default").size();
    }
    if (node.findChild(node.name()) == nullptr && children > 0) {
        sink = sink + 1;
    }
    // Writing a node writes its whole subtree, so writing every node would write a deep
    // tree once per level. The nodes near the top (whose writing covers every node below)
    // and the leaves are enough to reach every line of the writer.
    if (depth > 2 && children > 0) {
        return;
    }
    const std::string text = node.writeToText();
    if (depth <= 0) {
        // Through the sink's buffer too, for the top-level nodes.
        CountingSink counted;
        node.writeTo(counted);
        if (counted.total != text.size()) {
            std::abort();
        }
    }
}

// Walks the whole tree checking its links; with everyQuery, runs every query on each node.
void queryEveryNode(const XmlDocument& document, bool everyQuery) {
    struct Pending {
        const XmlNode* node;
        int depth;
    };
    std::vector<Pending> pending{{&document.topLevel(), -1}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (everyQuery) {
            queryNode(*node, depth);
        }
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->parent() != node) {
                std::abort();
            }
            pending.push_back({node->child(i), depth + 1});
        }
    }
    CountingSink whole;
    document.writeDocumentTo(whole);
}

void loadAndQuery(std::string_view bytes, bool strict) {
    XmlDocument document;
    document.setSkipComments(strict);
    document.setRootRequired(strict);
    try {
        document.loadFromMemory(bytes);
    } catch (const kelmar::xml::EStreamError&) {
        // Malformed input is expected; what was read must still be sound.
    }
    try {
        // The strict load differs in what it keeps and refuses, not in the nodes it makes:
        // its tree is checked and written, the queries run on the default load's.
        queryEveryNode(document, !strict);
    } catch (const kelmar::Error&) {
        // Only "XML root element not defined." when the root is required.
        if (!strict) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    loadAndQuery(bytes, size % 2 == 1);
    return 0;
}
