#pragma once

#include <cstdint>
#include <span>
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
class alignas(8) XmlNode {
  public:
    // Only the document (and its reader) can make nodes.
    class ConstructionKey {
        ConstructionKey() = default;
        friend class XmlDocument;
        friend class detail::DocumentReader;
    };
    XmlNode(ConstructionKey, XmlNode* parent, ElementKind kind)
        : up_(reinterpret_cast<std::uintptr_t>(parent)) {
        setKind(kind);
    }
    XmlNode(ConstructionKey, XmlDocument& owner);

    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    XmlDocument& document() const;
    ElementKind elementKind() const {
        return static_cast<ElementKind>((down_ & kLowBits) | ((up_ & kKindHighBit) << 1));
    }
    std::string_view name() const;
    // Raises kelmar::Error "Illegal character in node name "%s"" for a tab, line feed,
    // carriage return or space in the name; the old name then stays.
    void setName(std::string_view name);
    XmlNode* parent() const { return isTopLevelContainer() ? nullptr : parentNode(); }
    // -1 for the hidden top-level container, 0 for the declaration and the root.
    int treeDepth() const;
    std::int32_t tag() const;
    void setTag(std::int32_t tag);

    // The stored text, exactly as it goes into the output (escaped, possibly UTF-8).
    std::string_view rawText() const;
    void setRawText(std::string_view text);
    // Stores the escaped form of the text.
    void setText(std::string_view text);

    int childCount() const { return static_cast<int>(childTotal()); }
    XmlNode* child(int index) const {
        return index >= 0 && static_cast<std::uint32_t>(index) < childTotal()
                   ? childList()->items()[index]
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

    // A node's children: the count and capacity, then the child pointers.
    struct alignas(8) ChildList {
        std::uint32_t count;
        std::uint32_t capacity;
        XmlNode** items() { return reinterpret_cast<XmlNode**>(this + 1); }
    };

    // Nodes, lists and the document are 8-byte aligned, so the low three bits of the two
    // link words are free: the parent word carries the flags and the high bit of the kind,
    // the children word the kind's three low bits. That keeps a node at 32 bytes.
    static constexpr std::uintptr_t kLowBits = 7;
    enum Flags : std::uintptr_t { kTopLevelContainer = 1, kHasAttributes = 2, kKindHighBit = 4 };

    bool isTopLevelContainer() const { return (up_ & kTopLevelContainer) != 0; }
    bool hasFlag(Flags flag) const { return (up_ & flag) != 0; }
    void setFlag(Flags flag) { up_ |= flag; }
    void setKind(ElementKind kind) {
        const auto value = static_cast<std::uintptr_t>(kind);
        down_ = (down_ & ~kLowBits) | (value & kLowBits);
        up_ = (up_ & ~std::uintptr_t{kKindHighBit}) | ((value >> 1) & kKindHighBit);
    }
    XmlNode* parentNode() const { return reinterpret_cast<XmlNode*>(up_ & ~kLowBits); }
    XmlDocument* owner() const { return reinterpret_cast<XmlDocument*>(up_ & ~kLowBits); }
    ChildList* childList() const { return reinterpret_cast<ChildList*>(down_ & ~kLowBits); }
    void setChildList(ChildList* list) {
        down_ = reinterpret_cast<std::uintptr_t>(list) | (down_ & kLowBits);
    }
    std::uint32_t childTotal() const {
        const ChildList* list = childList();
        return list == nullptr ? 0 : list->count;
    }
    // An exact-size list for the children, filled by the caller.
    ChildList& newChildList(std::uint32_t count, std::uint32_t capacity);
    detail::Arena& arena() const;
    void appendChildNode(XmlNode& child);
    void removeChildAt(std::uint32_t index);
    void insertChildFirst(XmlNode& child);
    void addEntry(std::string_view entry);
    void replaceEntry(std::uint32_t index, std::string_view entry);
    // The node's attribute entries; none for most nodes, so they are kept beside the tree,
    // where finding them means finding the document first: fetch them once per call.
    AttributeList* attributeList() const;
    std::span<const char* const> entries() const;

    std::uintptr_t up_ = 0;       // parent, or the document for the top-level container
    const char* name_ = nullptr;  // interned stored text
    const char* raw_ = nullptr;   // stored text
    std::uintptr_t down_ = 0;     // child list, null while there are no children
};

}  // namespace kelmar::xml
