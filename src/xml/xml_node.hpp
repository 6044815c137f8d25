#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.hpp"
#include "xml/byte_sink.hpp"

namespace kelmar::xml {

class XmlDocument;

// What a node is, and so how it is written.
enum class ElementKind : std::uint8_t {
    Element = 0,
    Comment = 1,
    CData = 2,
    Declaration = 3,
    Stylesheet = 4,
    DocType = 5,
    DtdElement = 6,
    DtdAttList = 7,
    DtdEntity = 8,
    DtdNotation = 9,
    BangMarkup = 10,
    ProcessingInstruction = 11,
    TextRun = 12,
};

// One node of a document's tree. Nodes live in their document's arena and are reached
// only through it; they are never copied, moved or freed one by one.
class XmlNode {
  public:
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    XmlDocument& document() const { return *document_; }
    ElementKind elementKind() const { return kind_; }
    void setElementKind(ElementKind kind) { kind_ = kind; }
    XmlNode* parent() const { return parent_; }
    int treeDepth() const;
    std::int32_t tag() const { return tag_; }
    void setTag(std::int32_t tag) { tag_ = tag; }

    std::string_view name() const { return name_; }
    // Raises "Illegal character in node name "%s"" for a tab, LF, CR or space.
    void setName(std::string_view name);

    // The stored text, written verbatim.
    std::string_view rawText() const { return rawText_; }
    void setRawText(std::string_view text);
    // Stores the text escaped.
    void setText(std::string_view text);

    int childCount() const { return static_cast<int>(childCount_); }
    XmlNode* child(int index) const;
    XmlNode& appendChild(std::string_view name);
    XmlNode* findChild(std::string_view name) const;
    XmlNode& findOrAppendChild(std::string_view name);

    // Stores the text, accents folded and converted to UTF-8, in the child of that name
    // (found ignoring case, or appended).
    void writeTextChild(std::string_view name, std::string_view text,
                        std::string_view defaultText = {});
    void writeDateTimeChild(std::string_view name, const platform::LocalDateTime& value,
                            const platform::LocalDateTime& defaultValue = {});

    void addAttribute(std::string_view name, std::string_view value);
    void setAttribute(std::string_view name, std::string_view value);
    int attributeEntryCount() const { return static_cast<int>(attributeCount_); }
    // The entry as stored, e.g. version="1.0"; empty when out of range.
    std::string_view attributeEntry(int index) const;
    bool attributePresent(std::string_view name) const;
    std::string attributeText(std::string_view name, std::string_view defaultText) const;
    std::string attributeTextAt(int index) const;

    // The stored text with its entity references decoded.
    std::string valueText() const;

    void writeTo(ByteSink& sink) const;
    std::string writeToText() const;

  private:
    friend class XmlDocument;
    friend class XmlReader;

    XmlNode(XmlDocument& document, XmlNode* parent, ElementKind kind)
        : document_(&document), parent_(parent), kind_(kind) {}

    // Tree building without validation, for the reader and the document.
    void adoptChild(XmlNode& child);
    void insertFirstChild(XmlNode& child);
    void removeLastChild();
    void clearChildren() { childCount_ = 0; }
    void setNameUnchecked(std::string_view name) { name_ = name; }
    void setRawTextUnchecked(std::string_view text) { rawText_ = text; }
    void appendAttributeEntry(std::string_view entry);
    const XmlNode* findEntry(std::string_view name, std::uint32_t& index) const;

    XmlDocument* document_;
    XmlNode* parent_;
    XmlNode** children_ = nullptr;
    std::string_view* attributes_ = nullptr;
    std::string_view name_;
    std::string_view rawText_;
    std::uint32_t childCount_ = 0;
    std::uint32_t childCapacity_ = 0;
    std::uint32_t attributeCount_ = 0;
    std::uint32_t attributeCapacity_ = 0;
    std::int32_t tag_ = 0;
    ElementKind kind_;
};

}  // namespace kelmar::xml
