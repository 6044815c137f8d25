#include "xml/document_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <span>

#include "platform/error.hpp"
#include "platform/text_helpers.hpp"
#include "xml/char_scan.hpp"
#include "xml/stored_text.hpp"
#include "xml/text_functions.hpp"
#include "xml/xml_messages.hpp"

namespace kelmar::xml::detail {
namespace {

using platform::sameTextIgnoringCase;
using platform::trimText;

using Opener = DocumentReader::Opener;

// The tag table: what the characters after a "<" open.
struct OpenerRow {
    std::string_view text;
    Opener opener;
};
constexpr std::array<OpenerRow, 12> kOpeners = {{
    {"<![CDATA[", Opener::CData},
    {"<!DOCTYPE", Opener::DocType},
    {"<!ELEMENT", Opener::DtdElement},
    {"<!ATTLIST", Opener::DtdAttList},
    {"<!ENTITY", Opener::DtdEntity},
    {"<!NOTATION", Opener::DtdNotation},
    {"<?xml-stylesheet", Opener::Stylesheet},
    {"<?xml", Opener::Declaration},
    {"<!--", Opener::Comment},
    {"<!", Opener::BangMarkup},
    {"<?", Opener::Instruction},
    {"<", Opener::Element},
}};
// matchOpener starts from the plain "<", the last row.
static_assert(kOpeners.back().text == "<" && kOpeners.back().opener == Opener::Element);

// The node kind of a declaration of the document-type subset.
ElementKind dtdKind(Opener opener) {
    switch (opener) {
        case Opener::DtdAttList:
            return ElementKind::DtdAttList;
        case Opener::DtdEntity:
            return ElementKind::DtdEntity;
        case Opener::DtdNotation:
            return ElementKind::DtdNotation;
        default:
            return ElementKind::DtdElement;
    }
}

const std::string kNestingMessage =
    "Elements nested more than " + std::to_string(kMaxNestingDepth) + " levels deep in element %s";

template <typename Word>
Word loadWord(const void* data) {
    Word value = 0;
    std::memcpy(&value, data, sizeof(Word));  // a fixed size compiles to one load
    return value;
}

// Whether the bytes at text are the name's. Names are short: loads from both ends that
// overlap in the middle cover them without a library call.
bool startsWithName(const unsigned char* text, std::string_view name) {
    const char* bytes = name.data();
    const std::size_t size = name.size();
    if (size > 16) {
        return std::memcmp(text, bytes, size) == 0;
    }
    if (size >= 8) {
        return loadWord<std::uint64_t>(text) == loadWord<std::uint64_t>(bytes) &&
               loadWord<std::uint64_t>(text + size - 8) ==
                   loadWord<std::uint64_t>(bytes + size - 8);
    }
    if (size >= 4) {
        return loadWord<std::uint32_t>(text) == loadWord<std::uint32_t>(bytes) &&
               loadWord<std::uint32_t>(text + size - 4) ==
                   loadWord<std::uint32_t>(bytes + size - 4);
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] != static_cast<unsigned char>(bytes[i])) {
            return false;
        }
    }
    return true;
}

bool isWhitespace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isEmptyNode(const XmlNode& node) {
    return node.name().empty() && node.rawText().empty() && node.childCount() == 0 &&
           node.attributeEntryCount() == 0;
}

// Splits a tag into its words where no word needs joining to the one before it: words are
// stretches between whitespace outside quotes, and none after the first starts with "=" or
// a quote. Then the words are exactly what splitWords gives, found without copying them.
// False when a word would be joined or there are more than fit.
template <std::size_t Capacity>
bool splitPlainWords(std::string_view text, std::array<std::string_view, Capacity>& words,
                     std::size_t& count) {
    count = 0;
    char quote = 0;
    std::size_t start = std::string_view::npos;
    auto add = [&](std::size_t end) {
        const std::string_view word = text.substr(start, end - start);
        if (count == Capacity ||
            (count > 0 && (word.front() == '=' || word.front() == '"' || word.front() == '\''))) {
            return false;
        }
        words[count++] = word;
        start = std::string_view::npos;
        return true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote == 0 && isWhitespace(c)) {
            if (start != std::string_view::npos && !add(i)) {
                return false;
            }
            continue;
        }
        if (start == std::string_view::npos) {
            start = i;
        }
        if (quote != 0) {
            quote = c == quote ? '\0' : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        }
    }
    return start == std::string_view::npos || add(text.size());
}

std::string joinWords(const std::vector<std::string>& words, std::size_t first,
                      std::string_view separator) {
    std::string joined;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (i > first) {
            joined += separator;
        }
        joined += words[i];
    }
    return joined;
}

}  // namespace

DocumentReader::DocumentReader(XmlDocument& document, CharSource& source)
    : document_(document), arena_(document.arena_), source_(source) {}

XmlNode& DocumentReader::newNode(XmlNode* parent, ElementKind kind) {
    return document_.newNode(parent, kind);
}

void DocumentReader::readDocument() {
    document_.clearTree();
    source_.start();
    XmlNode& top = document_.topLevel_;
    XmlNode* scratch = nullptr;
    openReads_.clear();
    try {
        while (!source_.atEnd()) {
            const XmlNode* node = readKeptNode(top, scratch, 0);
            if (node != nullptr && node->elementKind() == ElementKind::Declaration &&
                node->attributePresent("encoding") &&
                node->attributeText("encoding", "") == "UTF-8") {
                source_.switchToUtf8();
            }
        }
    } catch (...) {
        keepOpenReads();
        throw;
    }
    checkRootRules();
}

// What a failed read leaves in the tree: each node being read is kept with what it read,
// innermost first, as if each level had caught the error on its way out. Done once here
// rather than by a handler per level, so a failure deep in the tree unwinds in one pass.
void DocumentReader::keepOpenReads() {
    while (!openReads_.empty()) {
        const OpenRead read = openReads_.back();
        openReads_.pop_back();
        if (read.parent != nullptr) {
            read.parent->appendChildNode(*read.node);
        } else {
            commitChildren(*read.node, read.firstChild);
        }
    }
}

// A node that read nothing (stray text) is not kept, and its memory is reused for the
// next one, so stray bytes cost no memory. A node that fails while being read is kept
// with what it read.
XmlNode* DocumentReader::readKeptNode(XmlNode& parent, XmlNode*& scratch, int depth) {
    XmlNode* node = scratch == nullptr
                        ? &newNode(&parent)
                        : ::new (static_cast<void*>(scratch))
                              XmlNode(XmlNode::ConstructionKey{}, &parent, ElementKind::Element);
    scratch = node;
    openReads_.push_back({node, &parent, 0});
    readNode(*node, false, depth);
    openReads_.pop_back();
    if (isEmptyNode(*node)) {
        return nullptr;
    }
    parent.appendChildNode(*node);
    scratch = nullptr;
    return node;
}

void DocumentReader::checkRootRules() const {
    const XmlNode& top = document_.topLevel_;
    int elements = 0, declarations = 0, docTypes = 0, sections = 0;
    int firstDeclaration = -1, lastElement = -1, lastDocType = -1;
    for (int i = 0; i < top.childCount(); ++i) {
        switch (top.child(i)->elementKind()) {
            case ElementKind::Element:
                ++elements, lastElement = i;
                break;
            case ElementKind::Declaration:
                firstDeclaration = declarations++ == 0 ? i : firstDeclaration;
                break;
            case ElementKind::DocType:
                ++docTypes, lastDocType = i;
                break;
            case ElementKind::CData:
                ++sections;
                break;
            default:
                break;
        }
    }
    if (elements == 0) {
        throw EFilerError(messages::kNoRootElement);
    }
    if (!document_.rootRequired_) {
        return;
    }
    if (elements > 1) {
        throw EFilerError(messages::kSecondRootElement);
    }
    if (declarations > 1) {
        throw EFilerError(messages::kSecondDeclaration);
    }
    if (declarations == 1 && firstDeclaration != 0) {
        throw EFilerError(messages::kDeclarationNotFirst);
    }
    if (docTypes > 1) {
        throw EFilerError(messages::kSecondDoctype);
    }
    if (docTypes == 1 && lastDocType > lastElement) {
        throw EFilerError(messages::kDoctypeAfterRoot);
    }
    if (sections > 0) {
        throw EFilerError(messages::kCDataInRoot);
    }
}

void DocumentReader::readNode(XmlNode& node, bool afterLessThan, int depth) {
    if (!afterLessThan && skipWhitespace() != '<') {
        return;  // end of input or a stray character, which is consumed
    }
    const Opener opener = matchOpener();
    auto readText = [&](ElementKind kind, std::string_view name, std::string_view closer) {
        node.setKind(kind);
        node.name_ = document_.names_.intern(arena_, name);
        std::string_view text;
        readUntil(closer, text);  // an unclosed section takes the rest of the input
        node.raw_ = storeText(arena_, text);
    };
    switch (opener) {
        case Opener::CData:
            readText(ElementKind::CData, "CData", "]]>");
            return;
        case Opener::Comment:
            readText(ElementKind::Comment, "Comment", "-->");
            return;
        case Opener::BangMarkup:
            readText(ElementKind::BangMarkup, "Special", ">");
            return;
        case Opener::Instruction:
            readText(ElementKind::ProcessingInstruction, "Special", "?>");
            return;
        case Opener::DtdElement:
        case Opener::DtdAttList:
        case Opener::DtdEntity:
        case Opener::DtdNotation:
            node.setKind(dtdKind(opener));
            readDtdDeclaration(node);
            return;
        case Opener::DocType:
            readDocType(node, depth);
            return;
        case Opener::Stylesheet:
        case Opener::Declaration:
        case Opener::Element:
            readTag(node, opener);
            if (opener == Opener::Element && tagHasContent_) {
                readContent(node, depth);
            }
            return;
    }
}

// After a "<": follows every row of the tag table while the characters read still match
// one, and chooses the longest opener completed. Characters read past it are kept for
// the text that follows.
DocumentReader::Opener DocumentReader::matchOpener() {
    carry_.clear();
    int c = source_.get();
    if (c != '!' && c != '?') {
        // Only the plain "<" can match: the character read belongs to the tag.
        if (c != kEndOfInput) {
            source_.stepBack();
        }
        return Opener::Element;
    }
    std::array<bool, kOpeners.size()> possible{};
    possible.fill(true);
    std::size_t choice = kOpeners.size() - 1;
    std::size_t choiceLength = 1;
    for (std::size_t position = 1;; ++position) {
        bool matched = false;
        for (std::size_t row = 0; row < kOpeners.size(); ++row) {
            if (!possible[row]) {
                continue;
            }
            const std::string_view opener = kOpeners[row].text;
            if (opener.size() > position && opener[position] == static_cast<char>(c)) {
                matched = true;
                if (opener.size() == position + 1) {
                    choice = row;
                    choiceLength = position + 1;
                }
            } else {
                possible[row] = false;
            }
        }
        carry_.push_back(static_cast<char>(c));
        if (!matched) {
            break;
        }
        c = source_.get();
        if (c == kEndOfInput) {
            break;
        }
    }
    carry_.erase(0, choiceLength - 1);
    return kOpeners[choice].opener;
}

// The text up to the closer, which is consumed. It points into the page when the text lies
// there whole, else into a scratch text; either way it is valid until the next read.
bool DocumentReader::readUntil(std::string_view closer, std::string_view& text) {
    if (carry_.empty() && closer.size() == 1) {
        const unsigned char* const begin = source_.cursor();
        const unsigned char* const end = source_.pageEnd();
        const auto stop = static_cast<unsigned char>(closer[0]);
        const unsigned char* hit = begin;
        while (hit < end && *hit != stop && *hit != 0) {
            ++hit;
        }
        if (hit < end && *hit == stop) {
            text = std::string_view(reinterpret_cast<const char*>(begin),
                                    static_cast<std::size_t>(hit - begin));
            source_.setCursor(hit + 1);
            return true;
        }
    }
    const bool found = readUntilSlow(tag_, closer);
    text = tag_;
    return found;
}

// Collects characters (the carried ones first) until the text ends with the closer, which
// is dropped. False at the end of input, with everything collected kept.
bool DocumentReader::readUntilSlow(std::string& out, std::string_view closer) {
    out.clear();
    const char last = closer.back();
    auto closes = [&] {
        return out.size() >= closer.size() &&
               std::string_view(out).substr(out.size() - closer.size()) == closer;
    };
    for (std::size_t i = 0; i < carry_.size(); ++i) {
        out.push_back(carry_[i]);
        if (carry_[i] == last && closes()) {
            carry_.erase(0, i + 1);
            out.resize(out.size() - closer.size());
            return true;
        }
    }
    carry_.clear();
    const auto stop = static_cast<unsigned char>(last);
    for (;;) {
        const unsigned char* const begin = source_.cursor();
        const unsigned char* const end = source_.pageEnd();
        const unsigned char* p = begin;
        while (p < end && *p != stop && *p != 0) {
            ++p;
        }
        out.append(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(p - begin));
        source_.setCursor(p);
        const int c = source_.get();
        if (c == kEndOfInput) {
            return false;
        }
        out.push_back(static_cast<char>(c));
        if (c == stop && closes()) {
            out.resize(out.size() - closer.size());
            return true;
        }
    }
}

void DocumentReader::readTag(XmlNode& node, Opener opener) {
    const bool element = opener == Opener::Element;
    std::string_view tag;
    bool plainName = false;
    if (!element || !readStartTagInPage(tag, plainName)) {
        readUntil(element ? ">" : "?>", tag);
        plainName = element && std::none_of(tag.begin(), tag.end(), isWhitespace);
    }
    tagHasContent_ = element;
    if (element && !tag.empty() && tag.back() == '/') {
        tagHasContent_ = false;
        tag.remove_suffix(1);
    }
    if (opener == Opener::Declaration) {
        node.setKind(ElementKind::Declaration);
        node.name_ = document_.names_.intern(arena_, "xml");
    } else if (opener == Opener::Stylesheet) {
        node.setKind(ElementKind::Stylesheet);
        node.name_ = document_.names_.intern(arena_, "xml-stylesheet");
        node.raw_ = storeText(arena_, trimText(tag));
    }
    if (plainName) {
        // The usual start tag: a name and nothing else.
        if (tag.empty()) {
            throw EFilerError(messages::kMissingElementName);
        }
        node.name_ = document_.names_.intern(arena_, tag);
        return;
    }
    std::array<std::string_view, 16> plainWords;
    std::size_t count = 0;
    std::vector<std::string> joinedWords;
    std::vector<std::string_view> joinedViews;
    std::span<const std::string_view> words;
    if (splitPlainWords(tag, plainWords, count)) {
        words = std::span<const std::string_view>(plainWords.data(), count);
    } else {
        joinedWords = splitWords(tag);
        joinedViews.assign(joinedWords.begin(), joinedWords.end());
        words = joinedViews;
    }
    if (!element) {
        setAttributes(node, words);
        return;
    }
    if (words.empty()) {
        throw EFilerError(messages::kMissingElementName);
    }
    node.name_ = document_.names_.intern(arena_, words.front());
    setAttributes(node, words.subspan(1));
}

// A start tag that lies whole in the page, taken in one pass that also tells whether it
// holds whitespace (and so more than a name). False when it does not end in the page.
bool DocumentReader::readStartTagInPage(std::string_view& tag, bool& plainName) {
    if (!carry_.empty()) {
        return false;
    }
    const unsigned char* const begin = source_.cursor();
    const unsigned char* const end = source_.pageEnd();
    std::uint8_t seen = 0;
    const unsigned char* p = begin;
    for (; p < end; ++p) {
        const std::uint8_t classes = kCharClasses[*p];
        if ((classes & kEndsTag) != 0) {
            break;
        }
        seen |= classes;
    }
    if (p == end || *p != '>') {
        return false;
    }
    tag =
        std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(p - begin));
    plainName = (seen & kWhitespace) == 0;
    source_.setCursor(p + 1);
    return true;
}

void DocumentReader::setAttributes(XmlNode& node, std::span<const std::string_view> words) {
    if (words.empty()) {
        return;
    }
    const auto count = static_cast<std::uint32_t>(words.size());
    auto* list = static_cast<XmlNode::AttributeList*>(
        arena_.allocate(sizeof(XmlNode::AttributeList), alignof(XmlNode::AttributeList)));
    auto* entries = static_cast<const char**>(
        arena_.allocate(sizeof(const char*) * count, alignof(const char*)));
    for (std::uint32_t i = 0; i < count; ++i) {
        entries[i] = storeText(arena_, words[i]);
    }
    *list = XmlNode::AttributeList{count, count, entries};
    document_.attributes_.set(&node, list);
    node.setFlag(XmlNode::kHasAttributes);
}

// <!ELEMENT and its kin: up to the next ">" outside quotes; the first word names the node.
void DocumentReader::readDtdDeclaration(XmlNode& node) {
    carry_.clear();
    tag_.clear();
    int quote = 0;
    for (;;) {
        const int c = source_.get();
        if (c == kEndOfInput || (quote == 0 && c == '>')) {
            break;
        }
        if (quote != 0) {
            quote = c == quote ? '\0' : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        }
        tag_.push_back(static_cast<char>(c));
    }
    const std::vector<std::string> words = splitWords(tag_);
    if (words.empty()) {
        return;
    }
    node.name_ = document_.names_.intern(arena_, words.front());
    node.raw_ = storeText(arena_, trimText(joinWords(words, 1, "\r\n")));
}

void DocumentReader::readDocType(XmlNode& node, int depth) {
    node.setKind(ElementKind::DocType);
    node.name_ = document_.names_.intern(arena_, "DTD");
    carry_.clear();
    tag_.clear();
    int c = 0;
    for (;;) {
        c = source_.get();
        if (c == kEndOfInput || c == '>' || c == '[') {
            break;
        }
        tag_.push_back(static_cast<char>(c));
    }
    {
        const std::vector<std::string> words = splitWords(tag_);
        if (!words.empty()) {
            node.name_ = document_.names_.intern(arena_, words.front());
            node.raw_ = storeText(arena_, joinWords(words, 1, " "));
        }
    }
    if (c != '[') {
        return;
    }
    if (depth + 1 >= kMaxNestingDepth) {
        fail(kNestingMessage, node);
    }
    // The internal subset: entries up to "]". Stray characters leave no empty entries, and
    // the end of input ends the subset (stepping back there would read the same again).
    XmlNode* scratch = nullptr;
    for (;;) {
        readKeptNode(node, scratch, depth + 1);
        const int next = skipWhitespace();
        if (next == ']' || next == kEndOfInput) {
            break;
        }
        source_.stepBack();
    }
    do {
        c = source_.get();
    } while (c != kEndOfInput && c != '>');
}

void DocumentReader::readContent(XmlNode& node, int depth) {
    ContentState state{childStack_.size()};
    // Should the read fail, the children so far stay in the tree.
    openReads_.push_back({&node, nullptr, state.firstChild});
    readContentUntilCloseTag(node, depth, state);
    openReads_.pop_back();
    finishContent(node, state);
}

void DocumentReader::readContentUntilCloseTag(XmlNode& node, int depth, ContentState& state) {
    for (;;) {
        const unsigned char* const at = source_.cursor();
        if (at < source_.pageEnd() && *at == '<') {
            source_.setCursor(at + 1);  // tags next to each other: no text to flush
            state.crSeen = false;
        } else {
            std::uint8_t seen = 0;
            const std::string_view text = textBeforeLessThan(node, seen);
            flushText(node, state, text, seen);
        }
        const int next = skipWhitespace();
        if (next == kEndOfInput) {
            fail(messages::kMissingDataAfterOpen, node);
        }
        if (next == '/') {
            if (skipExactCloseTag(node)) {
                return;
            }
            break;
        }
        state.crSeen = false;
        state.childSeen = true;
        // The child is read from the character after "<" and any whitespace, so "< b>"
        // reads like "<b>".
        source_.stepBack();
        if (!readElementInPage(node, depth)) {
            readChild(node, depth);
        }
    }
    std::string_view closing;
    if (!readUntil(">", closing)) {
        fail(messages::kMissingCloseBracket, node);
    }
    if (!sameTextIgnoringCase(trimText(closing), storedView(node.name_))) {
        fail(messages::kIncorrectCloseTag, node);
    }
}

// The usual close tag, the element's name exactly as in its start tag and ">" right after
// it, taken straight from the page: what the general path would accept, without
// collecting, trimming and comparing it.
bool DocumentReader::skipExactCloseTag(const XmlNode& node) {
    const std::string_view name = storedView(node.name_);
    const unsigned char* const begin = source_.cursor();
    if (!carry_.empty() || static_cast<std::size_t>(source_.pageEnd() - begin) <= name.size() ||
        begin[name.size()] != '>') {
        return false;
    }
    if (!startsWithName(begin, name)) {
        return false;
    }
    source_.setCursor(begin + name.size() + 1);
    return true;
}

// The content text up to the next "<", which is consumed. It is taken from the page in
// bulk; only text that spans pages is gathered in pending_. Valid until the next read.
std::string_view DocumentReader::textBeforeLessThan(const XmlNode& node, std::uint8_t& seen) {
    pending_.clear();
    seen = 0;
    for (;;) {
        const unsigned char* const begin = source_.cursor();
        const unsigned char* const end = source_.pageEnd();
        const unsigned char* const lessThan = scanText(begin, end, seen);
        if (lessThan < end && *lessThan == 0) {
            fail(messages::kMissingCloseTag, node);  // a zero character ends the input
        }
        if (lessThan == end) {
            pending_.append(reinterpret_cast<const char*>(begin),
                            static_cast<std::size_t>(end - begin));
            source_.setCursor(end);
            if (source_.atEnd()) {
                fail(messages::kMissingCloseTag, node);
            }
            continue;
        }
        source_.setCursor(lessThan + 1);
        std::string_view text(reinterpret_cast<const char*>(begin),
                              static_cast<std::size_t>(lessThan - begin));
        if (!pending_.empty()) {
            pending_ += text;
            text = pending_;
        }
        return text;
    }
}

// The usual element of an NF-e: a start tag holding only a name and lying whole in the
// page. It is read from there, and when <name>text</name> with the exact close tag follows
// in the page, in one pass; other content is read the general way. The node is the one
// the general path would give. False, with nothing consumed, for any other start tag.
bool DocumentReader::readElementInPage(XmlNode& node, int depth) {
    if (!carry_.empty() || depth + 1 >= kMaxNestingDepth) {
        return false;
    }
    const unsigned char* const begin = source_.cursor();
    const unsigned char* const end = source_.pageEnd();
    const unsigned char* p = begin;
    std::uint8_t seen = 0;
    for (; p < end; ++p) {
        const std::uint8_t classes = kCharClasses[*p];
        if ((classes & kEndsTag) != 0) {
            break;
        }
        seen |= classes;
    }
    // The opener rows other than the plain "<" start with "!" or "?".
    if (p == end || *p != '>' || p == begin || p[-1] == '/' || (seen & kWhitespace) != 0 ||
        *begin == '!' || *begin == '?') {
        return false;
    }
    const std::string_view name(reinterpret_cast<const char*>(begin),
                                static_cast<std::size_t>(p - begin));
    XmlNode& child = newNode(&node);
    child.name_ = document_.names_.intern(arena_, name);
    childStack_.push_back(&child);
    const unsigned char* const textBegin = p + 1;
    seen = 0;
    p = scanText(textBegin, end, seen);
    const unsigned char* const closeName = p + 2;
    if (p == end || *p != '<' || end - closeName <= static_cast<std::ptrdiff_t>(name.size()) ||
        p[1] != '/' || closeName[name.size()] != '>' || !startsWithName(closeName, name)) {
        source_.setCursor(textBegin);
        readContent(child, depth + 1);
        return true;
    }
    if ((seen & kVisible) != 0) {
        child.raw_ = storeText(arena_, std::string_view(reinterpret_cast<const char*>(textBegin),
                                                        static_cast<std::size_t>(p - textBegin)));
    }
    source_.setCursor(closeName + name.size() + 1);
    return true;
}

void DocumentReader::readChild(XmlNode& node, int depth) {
    if (depth + 1 >= kMaxNestingDepth) {
        fail(kNestingMessage, node);
    }
    XmlNode& child = newNode(&node);
    childStack_.push_back(&child);
    readNode(child, true, depth + 1);
    if (document_.skipComments_ && child.elementKind() == ElementKind::Comment) {
        childStack_.pop_back();
    }
}

// Text before a "<". With a visible character it becomes a text run; the first one,
// standing before any child, becomes the element's own text instead. Whether it holds a
// carriage return matters for the text after the last child.
void DocumentReader::flushText(XmlNode& node, ContentState& state, std::string_view text,
                               std::uint8_t seen) {
    state.crSeen = (seen & kCarriageReturn) != 0;
    if ((seen & kVisible) == 0) {
        return;
    }
    const char* stored = storeText(arena_, text);
    if (!state.hasLeadingText && childStack_.size() == state.firstChild) {
        state.leadingText = stored;
        state.hasLeadingText = true;
    } else {
        XmlNode& run = newNode(&node, ElementKind::TextRun);
        run.raw_ = stored;
        childStack_.push_back(&run);
    }
}

void DocumentReader::finishContent(XmlNode& node, ContentState& state) {
    if (state.childSeen && state.crSeen) {
        // Line ends after the last child were CR LF: the texts lose their trailing breaks.
        auto trimmed = [&](const char* stored) {
            const std::string_view text = storedView(stored);
            const auto keep = text.find_last_not_of("\r\n ");
            return keep + 1 == text.size() ? stored : storeText(arena_, text.substr(0, keep + 1));
        };
        if (state.hasLeadingText) {
            state.leadingText = trimmed(state.leadingText);
        }
        for (std::size_t i = state.firstChild; i < childStack_.size(); ++i) {
            if (childStack_[i]->elementKind() == ElementKind::TextRun) {
                childStack_[i]->raw_ = trimmed(childStack_[i]->raw_);
            }
        }
    }
    if (state.hasLeadingText) {
        node.raw_ = state.leadingText;
    }
    commitChildren(node, state.firstChild);
}

void DocumentReader::commitChildren(XmlNode& node, std::size_t firstChild) {
    const std::size_t count = childStack_.size() - firstChild;
    if (count == 0) {
        return;
    }
    const auto exact = static_cast<std::uint32_t>(count);
    // Allocated here rather than through the node, which would look for its document.
    // The list's header is followed by its node pointers.
    // NOLINTNEXTLINE(bugprone-sizeof-expression)
    void* memory = arena_.allocate(sizeof(XmlNode::ChildList) + sizeof(XmlNode*) * count,
                                   alignof(XmlNode::ChildList));
    auto* list = ::new (memory) XmlNode::ChildList{exact, exact};
    node.setChildList(list);
    std::copy(childStack_.begin() + static_cast<std::ptrdiff_t>(firstChild), childStack_.end(),
              list->items());
    childStack_.resize(firstChild);
}

int DocumentReader::skipWhitespace() {
    int c = 0;
    do {
        c = source_.get();
    } while (isWhitespace(c));
    return c;
}

void DocumentReader::fail(std::string_view messageTemplate, const XmlNode& node) const {
    throw EFilerError(formatMessage(messageTemplate, storedView(node.name_)));
}

}  // namespace kelmar::xml::detail
