#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.hpp"
#include "xml/byte_sink.hpp"

namespace kelmar::xml {

class XmlDocument;

namespace detail {
class Arena;
class DocumentReader;
class NodeWriter;
}  // namespace detail

enum class ElementKind : std::uint8_t {
    Element = 0,
    Comment,
    CData,
    Declaration,
    Stylesheet,
    DocType,
    DtdElement,
    DtdAttList,
    DtdEntity,
    DtdNotation,
    BangMarkup,
    ProcessingInstruction,
    TextRun
};

enum class OutputForm : std::uint8_t { Readable = 0, Compact = 1 };

// One node of a document's tree. Nodes live in their document's arena and die with it;
// users only ever hold references and pointers handed out by the document.
class XmlNode {
  public:
    // Only the document (and its reader) can make nodes.
    class ConstructionKey {
        ConstructionKey() = default;
        friend class XmlDocument;
        friend class detail::DocumentReader;
    };
    XmlNode(ConstructionKey, XmlNode* parent, ElementKind kind) : parent_(parent), kind_(kind) {}
    XmlNode(ConstructionKey, XmlDocument& owner);

    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    XmlDocument& document() const;
    ElementKind elementKind() const { return kind_; }
    std::string_view name() const;
    // Raises kelmar::Error "Illegal character in node name "%s"" for a tab, line feed,
    // carriage return or space in the name; the old name then stays.
    void setName(std::string_view name);
    XmlNode* parent() const { return isTopLevelContainer() ? nullptr : parent_; }
    // -1 for the hidden top-level container, 0 for the declaration and the root.
    int treeDepth() const;
    std::int32_t tag() const;
    void setTag(std::int32_t tag);

    // The stored text, exactly as it goes into the output (escaped, possibly UTF-8).
    std::string_view rawText() const;
    void setRawText(std::string_view text);
    // Stores the escaped form of the text.
    void setText(std::string_view text);

    int childCount() const { return static_cast<int>(childCount_); }
    XmlNode* child(int index) const {
        return index >= 0 && static_cast<std::uint32_t>(index) < childCount_ ? children_[index]
                                                                             : nullptr;
    }
    // Always a new element, even when a child of that name exists.
    XmlNode& appendChild(std::string_view name);
    // The first child of that name, ignoring ASCII letter case.
    XmlNode* findChild(std::string_view name) const;
    XmlNode& findOrAppendChild(std::string_view name);
    // Stores the text in the named child: accents folded, converted to UTF-8, escaped.
    void writeTextChild(std::string_view name, std::string_view text,
                        std::string_view defaultText = {});
    void writeDateTimeChild(std::string_view name, const platform::LocalDateTime& value,
                            const platform::LocalDateTime& defaultValue = {});

    // Adds the entry name="escaped value" after the others, also when the name exists.
    void addAttribute(std::string_view name, std::string_view value);
    // Replaces the first entry of that name (ignoring case) in its place, or adds one.
    void setAttribute(std::string_view name, std::string_view value);
    int attributeEntryCount() const;
    // The raw entry text, e.g. version="1.0"; empty when out of range.
    std::string_view attributeEntry(int index) const;
    bool attributePresent(std::string_view name) const;
    // The first matching entry's value, unquoted and decoded; the default when it is
    // missing or empty.
    std::string attributeText(std::string_view name, std::string_view defaultText) const;
    std::string attributeTextAt(int index) const;
    // The stored text with its character references decoded.
    std::string valueText() const;

    void writeTo(ByteSink& sink) const;
    std::string writeToText() const;

  private:
    friend class XmlDocument;
    friend class detail::DocumentReader;
    friend class detail::NodeWriter;

    struct AttributeList {
        std::uint32_t count;
        std::uint32_t capacity;
        const char** entries;  // stored texts
    };

    enum Flags : std::uint8_t { kTopLevelContainer = 1, kExactChildren = 2, kHasAttributes = 4 };

    bool isTopLevelContainer() const { return (flags_ & kTopLevelContainer) != 0; }
    detail::Arena& arena() const;
    void appendChildNode(XmlNode& child);
    void removeChildAt(std::uint32_t index);
    void insertChildFirst(XmlNode& child);
    void addEntry(std::string_view entry);
    void replaceEntry(std::uint32_t index, std::string_view entry);
    std::string_view entryAt(std::uint32_t index) const;
    // The node's attribute entries; none for most nodes, so they are kept beside the tree.
    AttributeList* attributeList() const;

    union {
        XmlNode* parent_;
        XmlDocument* owner_;  // only for the top-level container
    };
    const char* name_ = nullptr;  // interned stored text
    const char* raw_ = nullptr;   // stored text
    XmlNode** children_ = nullptr;
    std::uint32_t childCount_ = 0;
    ElementKind kind_ = ElementKind::Element;
    std::uint8_t flags_ = 0;
};

}  // namespace kelmar::xml
