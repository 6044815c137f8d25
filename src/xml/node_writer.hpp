#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xml/output_buffer.hpp"
#include "xml/xml_node.hpp"

namespace kelmar::xml::detail {

// Turns a node and its subtree into markup. It walks the tree with its own stack instead
// of recursing, so a tree of any depth is written without exhausting the call stack.
class NodeWriter {
  public:
    NodeWriter(const XmlDocument& document, OutputBuffer& out);

    // The node at the given tree depth (which sets its indentation) and its subtree.
    void write(const XmlNode& node, int depth);

  private:
    static constexpr std::size_t kUsualDepth = 16;

    struct Frame {
        const XmlNode* node;
        std::uint32_t nextChild;
        int depth;
    };

    // Writes everything before the node's children; true when children follow.
    bool open(const XmlNode& node, int depth);
    bool openElement(const XmlNode& node, int depth);
    bool openDocType(const XmlNode& node, int depth);
    // The one-piece kinds: indentation, the opener, the stored text and the closer.
    void enclosed(int depth, std::string_view opener, std::string_view text,
                  std::string_view closer);
    void close(const XmlNode& node, int depth);
    void separateChildren(const XmlNode& parent, std::uint32_t written);
    void indent(int depth);
    void attributes(const XmlNode& node);

    const XmlDocument& document_;
    OutputBuffer& out_;
    std::string_view lineBreak_;
    std::string_view indentText_;
    bool indented_;
    std::vector<Frame> stack_;
};

}  // namespace kelmar::xml::detail
