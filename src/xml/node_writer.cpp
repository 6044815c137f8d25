#include "xml/node_writer.hpp"

#include "xml/stored_text.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml::detail {

NodeWriter::NodeWriter(const XmlDocument& document, OutputBuffer& out)
    : document_(document),
      out_(out),
      lineBreak_(document.outputForm() == OutputForm::Readable ? "\r\n" : ""),
      indentText_(document.indentText()),
      indented_(document.outputForm() == OutputForm::Readable) {}

void NodeWriter::write(const XmlNode& node, int depth) {
    if (!open(node, depth)) {
        return;
    }
    // Room for the depth of a usual document at once, rather than growing step by step.
    stack_.reserve(kUsualDepth);
    stack_.push_back(Frame{&node, 0, depth});
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        const XmlNode& current = *frame.node;
        if (frame.nextChild > 0) {
            separateChildren(current, frame.nextChild);
        }
        if (frame.nextChild < current.childTotal()) {
            const XmlNode& child = *current.childList()->items()[frame.nextChild++];
            const int childDepth = frame.depth + 1;
            if (open(child, childDepth)) {
                stack_.push_back(Frame{&child, 0, childDepth});  // frame is invalid from here
            }
            continue;
        }
        close(current, frame.depth);
        stack_.pop_back();
    }
}

namespace {

// What opens a declaration of the document-type subset, by kind.
std::string_view dtdKeyword(ElementKind kind) {
    switch (kind) {
        case ElementKind::DtdElement:
            return "<!ELEMENT ";
        case ElementKind::DtdAttList:
            return "<!ATTLIST ";
        case ElementKind::DtdEntity:
            return "<!ENTITY ";
        case ElementKind::DtdNotation:
            return "<!NOTATION ";
        default:
            return {};
    }
}

}  // namespace

bool NodeWriter::open(const XmlNode& node, int depth) {
    const std::string_view text = storedView(node.raw_);
    switch (node.elementKind()) {
        case ElementKind::Element:
            return openElement(node, depth);
        case ElementKind::DocType:
            return openDocType(node, depth);
        case ElementKind::Comment:
            enclosed(depth, "<!--", text, "-->");
            return false;
        case ElementKind::CData:
            enclosed(depth, "<![CDATA[", text, "]]>");
            return false;
        case ElementKind::Declaration:
        case ElementKind::Stylesheet:
            indent(depth);
            out_.append(node.elementKind() == ElementKind::Declaration ? "<?xml"
                                                                       : "<?xml-stylesheet");
            attributes(node);
            out_.append("?>");
            return false;
        case ElementKind::DtdElement:
        case ElementKind::DtdAttList:
        case ElementKind::DtdEntity:
        case ElementKind::DtdNotation:
            indent(depth);
            out_.append(dtdKeyword(node.elementKind()));
            out_.append(storedView(node.name_));
            enclosed(0, " ", text, ">");
            return false;
        case ElementKind::BangMarkup:
            enclosed(depth, "<!", text, ">");
            return false;
        case ElementKind::ProcessingInstruction:
            enclosed(depth, "<?", text, "?>");
            return false;
        case ElementKind::TextRun:
            out_.append(text);
            return false;
    }
    return false;
}

bool NodeWriter::openElement(const XmlNode& node, int depth) {
    const std::string_view text = storedView(node.raw_);
    const bool hasChildren = node.childTotal() > 0;
    // Below the root, an element without text or children is one tag ending in "/>".
    const bool shortForm = text.empty() && !hasChildren && depth >= 1;
    indent(depth);
    out_.append('<');
    out_.append(storedView(node.name_));
    attributes(node);
    out_.append(shortForm ? std::string_view("/>") : std::string_view(">"));
    out_.append(text);
    if (hasChildren) {
        out_.append(lineBreak_);
        return true;
    }
    if (!shortForm) {
        close(node, depth);
    }
    return false;
}

bool NodeWriter::openDocType(const XmlNode& node, int depth) {
    indent(depth);
    out_.append("<!DOCTYPE ");
    out_.append(storedView(node.name_));
    out_.append(' ');
    out_.append(storedView(node.raw_));
    if (node.childTotal() == 0) {
        out_.append('>');
        return false;
    }
    out_.append(" [");
    out_.append(lineBreak_);
    return true;
}

void NodeWriter::enclosed(int depth, std::string_view opener, std::string_view text,
                          std::string_view closer) {
    indent(depth);
    out_.append(opener);
    out_.append(text);
    out_.append(closer);
}

void NodeWriter::close(const XmlNode& node, int depth) {
    if (node.elementKind() == ElementKind::DocType) {
        out_.append("]>");
        return;
    }
    if (node.childTotal() > 0) {
        indent(depth);
    }
    out_.append("</");
    out_.append(storedView(node.name_));
    out_.append('>');
}

// After each child: the line break, except around text runs in an element (they stand
// where they were read); a document type separates every entry.
void NodeWriter::separateChildren(const XmlNode& parent, std::uint32_t written) {
    if (lineBreak_.empty()) {
        return;
    }
    if (parent.elementKind() == ElementKind::Element) {
        const XmlNode& last = *parent.childList()->items()[written - 1];
        const bool nextIsText =
            written < parent.childTotal() &&
            parent.childList()->items()[written]->elementKind() == ElementKind::TextRun;
        if (last.elementKind() == ElementKind::TextRun || nextIsText) {
            return;
        }
    }
    out_.append(lineBreak_);
}

void NodeWriter::indent(int depth) {
    if (!indented_) {
        return;
    }
    for (int i = 0; i < depth; ++i) {
        out_.append(indentText_);
    }
}

void NodeWriter::attributes(const XmlNode& node) {
    if (!node.hasFlag(XmlNode::kHasAttributes)) {
        return;
    }
    const XmlNode::AttributeList& list = **document_.attributes_.find(&node);
    for (std::uint32_t i = 0; i < list.count; ++i) {
        out_.append(' ');
        out_.append(storedView(list.entries[i]));
    }
}

}  // namespace kelmar::xml::detail
