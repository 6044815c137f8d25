#include "xml/xml_node.hpp"

#include <algorithm>
#include <cstring>

#include "platform/error.hpp"
#include "xml/text_functions.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

// The part of an attribute entry before its first "="; empty for a bare word.
std::string_view entryName(std::string_view entry) {
    const auto equals = entry.find('=');
    return equals == entry.npos ? std::string_view{} : entry.substr(0, equals);
}

std::string makeEntry(std::string_view name, std::string_view value) {
    std::string entry(name);
    entry += '=';
    entry += quoteAttributeValue(escapeText(value));
    return entry;
}

// Grows an arena array to hold one more item, doubling its room.
template <typename T>
void growArray(const XmlDocument& document, T*& items, std::uint32_t count, std::uint32_t& capacity,
               void* (XmlDocument::*allocate)(std::size_t, std::size_t) const) {
    if (count < capacity) {
        return;
    }
    const std::uint32_t newCapacity = capacity == 0 ? 2 : capacity * 2;
    auto* grown = static_cast<T*>((document.*allocate)(sizeof(T) * newCapacity, alignof(T)));
    if (count > 0) {
        std::memcpy(static_cast<void*>(grown), static_cast<const void*>(items), sizeof(T) * count);
    }
    items = grown;
    capacity = newCapacity;
}

// Writes nodes in one of the two output forms.
class NodeWriter {
  public:
    NodeWriter(const XmlDocument& document, ByteSink& sink)
        : sink_(sink),
          readable_(document.outputForm() == OutputForm::Readable),
          indentUnit_(document.indentText()) {}

    void write(const XmlNode& node) {
        const std::string_view lineBreak = readable_ ? "\r\n" : "";
        const auto indent = indentation(node);
        line_.clear();
        switch (node.elementKind()) {
            case ElementKind::Element:
                writeElement(node, indent, lineBreak);
                return;
            case ElementKind::Comment:
                emit(indent, "<!--", node.rawText(), "-->");
                return;
            case ElementKind::CData:
                emit(indent, "<![CDATA[", node.rawText(), "]]>");
                return;
            case ElementKind::Declaration:
                emitWithAttributes(indent, "<?xml", node, "?>");
                return;
            case ElementKind::Stylesheet:
                emitWithAttributes(indent, "<?xml-stylesheet", node, "?>");
                return;
            case ElementKind::DocType:
                writeDocType(node, indent, lineBreak);
                return;
            case ElementKind::DtdElement:
                emitNamed(indent, "<!ELEMENT ", node);
                return;
            case ElementKind::DtdAttList:
                emitNamed(indent, "<!ATTLIST ", node);
                return;
            case ElementKind::DtdEntity:
                emitNamed(indent, "<!ENTITY ", node);
                return;
            case ElementKind::DtdNotation:
                emitNamed(indent, "<!NOTATION ", node);
                return;
            case ElementKind::BangMarkup:
                emit(indent, "<!", node.rawText(), ">");
                return;
            case ElementKind::ProcessingInstruction:
                emit(indent, "<?", node.rawText(), "?>");
                return;
            case ElementKind::TextRun:
                sink_.write(node.rawText());
                return;
        }
    }

  private:
    std::string indentation(const XmlNode& node) const {
        std::string indent;
        if (readable_) {
            for (int depth = node.treeDepth(); depth > 0; --depth) {
                indent += indentUnit_;
            }
        }
        return indent;
    }

    void appendAttributes(const XmlNode& node) {
        for (int i = 0; i < node.attributeEntryCount(); ++i) {
            line_ += ' ';
            line_ += node.attributeEntry(i);
        }
    }

    void emit(std::string_view indent, std::string_view open, std::string_view text,
              std::string_view close) {
        line_ += indent;
        line_ += open;
        line_ += text;
        line_ += close;
        sink_.write(line_);
    }

    void emitWithAttributes(std::string_view indent, std::string_view open, const XmlNode& node,
                            std::string_view close) {
        line_ += indent;
        line_ += open;
        appendAttributes(node);
        line_ += close;
        sink_.write(line_);
    }

    void emitNamed(std::string_view indent, std::string_view open, const XmlNode& node) {
        line_ += indent;
        line_ += open;
        line_ += node.name();
        line_ += ' ';
        line_ += node.rawText();
        line_ += '>';
        sink_.write(line_);
    }

    void writeElement(const XmlNode& node, const std::string& indent, std::string_view lineBreak) {
        const bool hasChildren = node.childCount() > 0;
        // The root is never written in the short form.
        const bool shortForm = node.rawText().empty() && !hasChildren && node.treeDepth() >= 1;
        line_ += indent;
        line_ += '<';
        line_ += node.name();
        appendAttributes(node);
        line_ += shortForm ? "/>" : ">";
        line_ += node.rawText();
        if (hasChildren) {
            line_ += lineBreak;
        }
        sink_.write(line_);
        writeChildren(node, lineBreak);
        if (shortForm) {
            return;
        }
        line_.clear();
        if (hasChildren) {
            line_ += indent;
        }
        line_ += "</";
        line_ += node.name();
        line_ += '>';
        sink_.write(line_);
    }

    void writeChildren(const XmlNode& node, std::string_view lineBreak) {
        const int count = node.childCount();
        for (int i = 0; i < count; ++i) {
            const XmlNode& child = *node.child(i);
            write(child);
            const XmlNode* next = i + 1 < count ? node.child(i + 1) : nullptr;
            const bool textAround =
                child.elementKind() == ElementKind::TextRun ||
                (next != nullptr && next->elementKind() == ElementKind::TextRun);
            if (!textAround && !lineBreak.empty()) {
                sink_.write(lineBreak);
            }
        }
    }

    void writeDocType(const XmlNode& node, std::string_view indent, std::string_view lineBreak) {
        line_ += indent;
        line_ += "<!DOCTYPE ";
        line_ += node.name();
        line_ += ' ';
        line_ += node.rawText();
        if (node.childCount() == 0) {
            line_ += '>';
            sink_.write(line_);
            return;
        }
        line_ += " [";
        line_ += lineBreak;
        sink_.write(line_);
        for (int i = 0; i < node.childCount(); ++i) {
            write(*node.child(i));
            sink_.write(lineBreak);
        }
        sink_.write("]>");
    }

    ByteSink& sink_;
    bool readable_;
    std::string_view indentUnit_;
    std::string line_;  // each start and end line is assembled here, then written whole
};

}  // namespace

int XmlNode::treeDepth() const {
    int depth = -1;
    for (const XmlNode* node = parent_; node != nullptr; node = node->parent_) {
        ++depth;
    }
    return depth;
}

void XmlNode::setName(std::string_view name) {
    if (name == name_) {
        return;
    }
    if (name.find_first_of("\t\n\r ") != name.npos) {
        throw Error("Illegal character in node name \"" + std::string(name) + "\"");
    }
    name_ = document_->store(name);
}

void XmlNode::setRawText(std::string_view text) {
    rawText_ = document_->store(text);
}

void XmlNode::setText(std::string_view text) {
    rawText_ = document_->store(escapeText(text));
}

XmlNode* XmlNode::child(int index) const {
    if (index < 0 || static_cast<std::uint32_t>(index) >= childCount_) {
        return nullptr;
    }
    return children_[index];
}

void XmlNode::adoptChild(XmlNode& child) {
    growArray(*document_, children_, childCount_, childCapacity_, &XmlDocument::allocate);
    children_[childCount_++] = &child;
}

void XmlNode::insertFirstChild(XmlNode& child) {
    adoptChild(child);
    std::rotate(children_, children_ + childCount_ - 1, children_ + childCount_);
}

void XmlNode::removeLastChild() {
    if (childCount_ > 0) {
        --childCount_;
    }
}

XmlNode& XmlNode::appendChild(std::string_view name) {
    XmlNode& child = document_->newNode(this, ElementKind::Element);
    child.setName(name);  // validated before the child joins the tree
    adoptChild(child);
    return child;
}

XmlNode* XmlNode::findChild(std::string_view name) const {
    for (std::uint32_t i = 0; i < childCount_; ++i) {
        if (equalsIgnoringCase(children_[i]->name_, name)) {
            return children_[i];
        }
    }
    return nullptr;
}

XmlNode& XmlNode::findOrAppendChild(std::string_view name) {
    if (XmlNode* found = findChild(name)) {
        return *found;
    }
    return appendChild(name);
}

void XmlNode::writeTextChild(std::string_view name, std::string_view text,
                             std::string_view defaultText) {
    if (!document_->writeEqualToDefault() && text == defaultText) {
        return;
    }
    findOrAppendChild(name).setText(toUtf8(foldAccents(text)));
}

void XmlNode::writeDateTimeChild(std::string_view name, const platform::LocalDateTime& value,
                                 const platform::LocalDateTime& defaultValue) {
    if (!document_->writeEqualToDefault() && value == defaultValue) {
        return;
    }
    writeTextChild(name, dateTimeText(value), {});
}

void XmlNode::appendAttributeEntry(std::string_view entry) {
    growArray(*document_, attributes_, attributeCount_, attributeCapacity_, &XmlDocument::allocate);
    attributes_[attributeCount_++] = entry;
}

void XmlNode::addAttribute(std::string_view name, std::string_view value) {
    appendAttributeEntry(document_->store(makeEntry(name, value)));
}

void XmlNode::setAttribute(std::string_view name, std::string_view value) {
    const auto entry = document_->store(makeEntry(name, value));
    std::uint32_t index = 0;
    if (findEntry(name, index) != nullptr) {
        attributes_[index] = entry;
    } else {
        appendAttributeEntry(entry);
    }
}

const XmlNode* XmlNode::findEntry(std::string_view name, std::uint32_t& index) const {
    for (std::uint32_t i = 0; i < attributeCount_; ++i) {
        const auto entry = attributes_[i];
        if (entry.find('=') != entry.npos && equalsIgnoringCase(entryName(entry), name)) {
            index = i;
            return this;
        }
    }
    return nullptr;
}

std::string_view XmlNode::attributeEntry(int index) const {
    if (index < 0 || static_cast<std::uint32_t>(index) >= attributeCount_) {
        return {};
    }
    return attributes_[index];
}

bool XmlNode::attributePresent(std::string_view name) const {
    for (std::uint32_t i = 0; i < attributeCount_; ++i) {
        if (equalsIgnoringCase(entryName(attributes_[i]), name)) {
            return true;
        }
    }
    return false;
}

std::string XmlNode::attributeText(std::string_view name, std::string_view defaultText) const {
    std::uint32_t index = 0;
    if (findEntry(name, index) == nullptr) {
        return std::string(defaultText);
    }
    const auto entry = attributes_[index];
    auto value =
        decodeText(unquoteValue(entry.substr(entry.find('=') + 1)), document_->storedUtf8());
    return value.empty() ? std::string(defaultText) : value;
}

std::string XmlNode::attributeTextAt(int index) const {
    const auto entry = attributeEntry(index);
    const auto equals = entry.find('=');
    if (equals == entry.npos) {
        return {};
    }
    return decodeText(unquoteValue(entry.substr(equals + 1)), document_->storedUtf8());
}

std::string XmlNode::valueText() const {
    return decodeText(rawText_, document_->storedUtf8());
}

void XmlNode::writeTo(ByteSink& sink) const {
    NodeWriter writer(*document_, sink);
    writer.write(*this);
}

std::string XmlNode::writeToText() const {
    StringSink sink;
    writeTo(sink);
    return std::move(sink.text());
}

}  // namespace kelmar::xml
