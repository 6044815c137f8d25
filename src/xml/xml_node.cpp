#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/error.hpp"
#include "platform/text_encoding.hpp"
#include "platform/text_helpers.hpp"
#include "xml/node_writer.hpp"
#include "xml/stored_text.hpp"
#include "xml/text_functions.hpp"
#include "xml/xml_document.hpp"
#include "xml/xml_messages.hpp"

namespace kelmar::xml {
namespace {

using detail::storedView;
using platform::sameTextIgnoringCase;

bool isIllegalNameCharacter(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

void checkName(std::string_view name) {
    if (std::any_of(name.begin(), name.end(), isIllegalNameCharacter)) {
        throw kelmar::Error(formatMessage(messages::kIllegalNodeName, name));
    }
}

// The part of an attribute entry before its first "=" (empty when it has none).
std::string_view entryName(std::string_view entry) {
    const auto equals = entry.find('=');
    return equals == std::string_view::npos ? std::string_view() : entry.substr(0, equals);
}

std::string attributeEntryText(std::string_view name, std::string_view value) {
    std::string entry(name);
    entry += '=';
    entry += quoteAttributeValue(escapeText(value));
    return entry;
}

// A loaded NF-e has about one node per 20 bytes of file, so the node's size sets the
// memory a loaded document takes.
static_assert(sizeof(void*) != 8 || sizeof(XmlNode) == 32);
// The low three bits of the parent and children words carry the kind and the flags.
static_assert(alignof(XmlDocument) >= 8);

}  // namespace

XmlNode::XmlNode(ConstructionKey, XmlDocument& owner)
    : up_(reinterpret_cast<std::uintptr_t>(&owner) | kTopLevelContainer) {}

XmlDocument& XmlNode::document() const {
    const XmlNode* node = this;
    while (!node->isTopLevelContainer()) {
        node = node->parentNode();
    }
    return *node->owner();
}

detail::Arena& XmlNode::arena() const {
    return document().arena_;
}

std::string_view XmlNode::name() const {
    return storedView(name_);
}

void XmlNode::setName(std::string_view name) {
    if (name == storedView(name_)) {
        return;
    }
    checkName(name);
    XmlDocument& owner = document();
    name_ = owner.names_.intern(owner.arena_, name);
}

int XmlNode::treeDepth() const {
    int depth = -1;
    for (const XmlNode* node = this; !node->isTopLevelContainer(); node = node->parentNode()) {
        ++depth;
    }
    return depth;
}

std::int32_t XmlNode::tag() const {
    const auto& tags = document().tags_;
    const auto found = tags.find(this);
    return found == tags.end() ? 0 : found->second;
}

void XmlNode::setTag(std::int32_t tag) {
    auto& tags = document().tags_;
    if (tag == 0) {
        tags.erase(this);
    } else {
        tags[this] = tag;
    }
}

std::string_view XmlNode::rawText() const {
    return storedView(raw_);
}

void XmlNode::setRawText(std::string_view text) {
    raw_ = detail::storeText(arena(), text);
}

void XmlNode::setText(std::string_view text) {
    setRawText(escapeText(text));
}

XmlNode::ChildList& XmlNode::newChildList(std::uint32_t count, std::uint32_t capacity) {
    // The list's header is followed by its node pointers.
    const auto bytes =
        sizeof(ChildList) + sizeof(XmlNode*) * capacity;  // NOLINT(bugprone-sizeof-expression)
    void* memory = arena().allocate(bytes, alignof(ChildList));
    auto* list = ::new (memory) ChildList{count, capacity};
    setChildList(list);
    return *list;
}

void XmlNode::appendChildNode(XmlNode& child) {
    ChildList* list = childList();
    if (list == nullptr || list->count == list->capacity) {
        // Lists made by the reader are exact; grown ones double.
        const std::uint32_t count = childTotal();
        ChildList& grown = newChildList(count, std::bit_ceil(count + 1));
        if (list != nullptr) {
            std::copy_n(list->items(), count, grown.items());
        }
        list = &grown;
    }
    list->items()[list->count++] = &child;
}

void XmlNode::removeChildAt(std::uint32_t index) {
    ChildList& list = *childList();
    XmlNode** items = list.items();
    std::copy(items + index + 1, items + list.count, items + index);
    --list.count;
}

void XmlNode::insertChildFirst(XmlNode& child) {
    appendChildNode(child);
    XmlNode** items = childList()->items();
    const std::uint32_t count = childTotal();
    std::rotate(items, items + count - 1, items + count);
}

XmlNode& XmlNode::appendChild(std::string_view name) {
    checkName(name);
    XmlNode& child = document().newNode(this, ElementKind::Element);
    child.setName(name);
    appendChildNode(child);
    return child;
}

XmlNode* XmlNode::findChild(std::string_view name) const {
    const std::uint32_t count = childTotal();
    for (std::uint32_t i = 0; i < count; ++i) {
        XmlNode* candidate = childList()->items()[i];
        if (sameTextIgnoringCase(storedView(candidate->name_), name)) {
            return candidate;
        }
    }
    return nullptr;
}

XmlNode& XmlNode::findOrAppendChild(std::string_view name) {
    XmlNode* found = findChild(name);
    return found != nullptr ? *found : appendChild(name);
}

void XmlNode::writeTextChild(std::string_view name, std::string_view text,
                             std::string_view defaultText) {
    if (!document().writeEqualToDefault() && text == defaultText) {
        return;
    }
    findOrAppendChild(name).setText(platform::cp1252ToUtf8(foldAccents(text)));
}

void XmlNode::writeDateTimeChild(std::string_view name, const platform::LocalDateTime& value,
                                 const platform::LocalDateTime& defaultValue) {
    if (!document().writeEqualToDefault() && value == defaultValue) {
        return;
    }
    writeTextChild(name, dateTimeText(value), {});
}

XmlNode::AttributeList* XmlNode::attributeList() const {
    return hasFlag(kHasAttributes) ? *document().attributes_.find(this) : nullptr;
}

void XmlNode::addEntry(std::string_view entry) {
    XmlDocument& owner = document();
    detail::Arena& memory = owner.arena_;
    AttributeList* list = attributeList();
    if (list == nullptr) {
        list = static_cast<AttributeList*>(
            memory.allocate(sizeof(AttributeList), alignof(AttributeList)));
        *list = AttributeList{0, 0, nullptr};
        owner.attributes_.set(this, list);
        setFlag(kHasAttributes);
    }
    if (list->count == list->capacity) {
        const std::uint32_t grown = list->capacity == 0 ? 2 : list->capacity * 2;
        auto* entries = static_cast<const char**>(
            memory.allocate(sizeof(const char*) * grown, alignof(const char*)));
        std::copy_n(list->entries, list->count, entries);
        list->entries = entries;
        list->capacity = grown;
    }
    list->entries[list->count++] = detail::storeText(memory, entry);
}

void XmlNode::replaceEntry(std::uint32_t index, std::string_view entry) {
    attributeList()->entries[index] = detail::storeText(arena(), entry);
}

std::span<const char* const> XmlNode::entries() const {
    const AttributeList* list = attributeList();
    if (list == nullptr) {
        return {};
    }
    return {list->entries, list->count};
}

void XmlNode::addAttribute(std::string_view name, std::string_view value) {
    addEntry(attributeEntryText(name, value));
}

void XmlNode::setAttribute(std::string_view name, std::string_view value) {
    const std::string entry = attributeEntryText(name, value);
    const std::span<const char* const> stored = entries();
    for (std::uint32_t index = 0; index < stored.size(); ++index) {
        if (sameTextIgnoringCase(entryName(storedView(stored[index])), name)) {
            replaceEntry(index, entry);
            return;
        }
    }
    addEntry(entry);
}

int XmlNode::attributeEntryCount() const {
    return static_cast<int>(entries().size());
}

std::string_view XmlNode::attributeEntry(int index) const {
    const std::span<const char* const> stored = entries();
    if (index < 0 || static_cast<std::size_t>(index) >= stored.size()) {
        return {};
    }
    return storedView(stored[static_cast<std::size_t>(index)]);
}

bool XmlNode::attributePresent(std::string_view name) const {
    return std::ranges::any_of(entries(), [&](const char* stored) {
        return sameTextIgnoringCase(entryName(storedView(stored)), name);
    });
}

std::string XmlNode::attributeText(std::string_view name, std::string_view defaultText) const {
    for (const char* stored : entries()) {
        const std::string_view entry = storedView(stored);
        const auto equals = entry.find('=');
        if (equals == std::string_view::npos ||
            !sameTextIgnoringCase(entry.substr(0, equals), name)) {
            continue;
        }
        std::string value =
            decodeText(unquoteValue(entry.substr(equals + 1)), document().storedUtf8());
        return value.empty() ? std::string(defaultText) : value;
    }
    return std::string(defaultText);
}

std::string XmlNode::attributeTextAt(int index) const {
    const std::string_view entry = attributeEntry(index);
    const auto equals = entry.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return decodeText(unquoteValue(entry.substr(equals + 1)), document().storedUtf8());
}

std::string XmlNode::valueText() const {
    return decodeText(storedView(raw_), document().storedUtf8());
}

void XmlNode::writeTo(ByteSink& sink) const {
    detail::OutputBuffer out(sink);
    detail::NodeWriter writer(document(), out);
    writer.write(*this, treeDepth());
    out.flush();
}

std::string XmlNode::writeToText() const {
    std::string text;
    detail::OutputBuffer out(text);
    detail::NodeWriter writer(document(), out);
    writer.write(*this, treeDepth());
    return text;
}

}  // namespace kelmar::xml
