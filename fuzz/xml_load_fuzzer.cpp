// Loads arbitrary bytes as an XML document, then runs every query on every node and
// writes every node back. Nothing may crash, hang or touch memory it does not own.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xml/xml_document.hpp"

namespace {

void exercise(const kelmar::xml::XmlNode& node) {
    (void)node.name();
    (void)node.rawText();
    (void)node.valueText();
    (void)node.treeDepth();
    (void)node.attributeText("Id", "");
    (void)node.attributePresent("encoding");
    for (int i = -1; i <= node.attributeEntryCount(); ++i) {
        (void)node.attributeTextAt(i);
        (void)node.attributeEntry(i);
    }
    (void)node.child(-1);
    (void)node.child(node.childCount());
    (void)node.writeToText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelmar::xml::XmlDocument document;
    try {
        document.loadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kelmar::Error&) {
        // A refused document keeps what was read before the error; it is walked too.
    }
    std::vector<const kelmar::xml::XmlNode*> pending = {&document.topLevel()};
    while (!pending.empty()) {
        const auto* node = pending.back();
        pending.pop_back();
        exercise(*node);
        for (int i = 0; i < node->childCount(); ++i) {
            pending.push_back(node->child(i));
        }
    }
    kelmar::xml::StringSink sink;
    document.writeDocumentTo(sink);
    return 0;
}
