// Loads arbitrary bytes as an XML file, then runs every node query over every node of
// whatever was read (also after a failed load) and writes every node back as text.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "xml/xml_document.hpp"

namespace {

using kelmar::xml::XmlDocument;
using kelmar::xml::XmlNode;

// One scratch file per fuzzing process.
const std::string& scratchPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/kelmar-xml-fuzz-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            std::perror("mkstemp");
            std::abort();
        }
        close(fd);
        return pattern;
    }();
    return path;
}

void writeScratch(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
        std::abort();
    }
    std::fclose(file);
}

class CountingSink final : public kelmar::xml::ByteSink {
  public:
    void write(std::string_view bytes) override { total += bytes.size(); }
    std::size_t total = 0;
};

// Every query of one node; the results are checked for the relations that must hold.
void queryNode(const XmlNode& node) {
    const int children = node.childCount();
    if (node.child(-1) != nullptr || node.child(children) != nullptr) {
        std::abort();
    }
    volatile std::size_t sink = 0;
    sink = sink + node.name().size() + node.rawText().size() + node.valueText().size();
    sink = sink + static_cast<std::size_t>(node.treeDepth()) + static_cast<int>(node.elementKind());
    const int entries = node.attributeEntryCount();
    for (int i = -1; i <= entries; ++i) {
        const std::string_view entry = node.attributeEntry(i);
        sink = sink + entry.size() + node.attributeTextAt(i).size();
        const std::string_view name = entry.substr(0, entry.find('='));
        if (entry.find('=') != std::string_view::npos && !node.attributePresent(name)) {
            std::abort();
        }
        sink = sink + node.attributeText(name, "default").size();
    }
    if (node.findChild(node.name()) == nullptr && children > 0) {
        sink = sink + 1;
    }
    if (node.parent() != nullptr && &node.parent()->document() != &node.document()) {
        std::abort();
    }
    const std::string text = node.writeToText();
    CountingSink counted;
    node.writeTo(counted);
    if (counted.total != text.size()) {
        std::abort();
    }
}

void queryEveryNode(const XmlDocument& document) {
    std::vector<const XmlNode*> pending{&document.topLevel()};
    while (!pending.empty()) {
        const XmlNode* node = pending.back();
        pending.pop_back();
        queryNode(*node);
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->parent() != node) {
                std::abort();
            }
            pending.push_back(node->child(i));
        }
    }
    CountingSink whole;
    document.writeDocumentTo(whole);
}

void loadAndQuery(bool strict) {
    XmlDocument document;
    document.setSkipComments(strict);
    document.setRootRequired(strict);
    try {
        document.loadDocument(scratchPath());
    } catch (const kelmar::xml::EStreamError&) {
        // Malformed input is expected; what was read must still be sound.
    }
    try {
        queryEveryNode(document);
    } catch (const kelmar::Error&) {
        // Only "XML root element not defined." when the root is required.
        if (!strict) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeScratch(data, size);
    loadAndQuery(false);
    loadAndQuery(true);
    return 0;
}
