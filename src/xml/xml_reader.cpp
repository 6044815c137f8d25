#include "xml/xml_reader.hpp"

#include <array>
#include <cstring>
#include <string>

#include "platform/error.hpp"
#include "xml/text_functions.hpp"

namespace kelmar::xml {
namespace {

// What may follow a "<": the opener text, the text that closes the markup, the node's
// kind and the name it is given (empty when read from the markup).
struct TagType {
    std::string_view opener;
    std::string_view closer;
    ElementKind kind;
    std::string_view name;
};

constexpr std::array<TagType, 12> kTagTable = {{
    {"<![CDATA[", "]]>", ElementKind::CData, "CData"},
    {"<!DOCTYPE", ">", ElementKind::DocType, "DTD"},
    {"<!ELEMENT", ">", ElementKind::DtdElement, ""},
    {"<!ATTLIST", ">", ElementKind::DtdAttList, ""},
    {"<!ENTITY", ">", ElementKind::DtdEntity, ""},
    {"<!NOTATION", ">", ElementKind::DtdNotation, ""},
    {"<?xml-stylesheet", "?>", ElementKind::Stylesheet, "xml-stylesheet"},
    {"<?xml", "?>", ElementKind::Declaration, "xml"},
    {"<!--", "-->", ElementKind::Comment, "Comment"},
    {"<!", ">", ElementKind::BangMarkup, "Special"},
    {"<?", "?>", ElementKind::ProcessingInstruction, "Special"},
    {"<", ">", ElementKind::Element, ""},
}};
constexpr std::size_t kElementRow = 11;

std::string withName(const char* messageTemplate, std::string_view name) {
    return formatMessage(messageTemplate, name);
}

// Splits a start tag into words kept in place, as splitWords does; false when a word
// would have to be glued to the one before it, which needs new texts.
bool splitInPlace(std::string_view text, std::vector<std::string_view>& words) {
    words.clear();
    char quote = 0;
    std::size_t start = 0;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
            continue;
        }
        if (isXmlWhitespace(c)) {
            if (inWord) {
                words.push_back(text.substr(start, i - start));
                inWord = false;
            }
            continue;
        }
        if (!inWord) {
            start = i;
            inWord = true;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        }
    }
    if (inWord) {
        words.push_back(text.substr(start));
    }
    for (std::size_t i = 1; i < words.size(); ++i) {
        const char first = words[i].front();
        if (first == '=' ||
            ((first == '"' || first == '\'') && words[i - 1].find('=') != std::string_view::npos)) {
            return false;
        }
    }
    return true;
}

bool isEmptyNode(const XmlNode& node) {
    return node.name().empty() && node.rawText().empty() && node.childCount() == 0 &&
           node.attributeEntryCount() == 0;
}

}  // namespace

int XmlReader::next() {
    before_[0] = before_[1];
    before_[1] = pos_;
    if (pos_ >= text_.size()) {
        return -1;
    }
    const char c = text_[pos_++];
    return c == '\0' ? -1 : static_cast<unsigned char>(c);
}

void XmlReader::skipWhitespace(int& c) {
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        c = next();
    }
}

std::string_view XmlReader::keep(std::string_view text) {
    return document_.store(text);
}

bool XmlReader::readDocument() {
    XmlNode& top = document_.topLevel();
    top.clearChildren();
    bool utf8 = false;
    while (pos_ < text_.size()) {
        XmlNode& node = document_.newNode(&top, ElementKind::Element);
        top.adoptChild(node);
        readNode(node, 0);
        if (node.elementKind() == ElementKind::Declaration && node.attributePresent("encoding") &&
            node.attributeText("encoding", "") == "UTF-8") {
            utf8 = true;
        }
        if (isEmptyNode(node)) {
            top.removeLastChild();
        }
    }
    if (document_.rootElement() == nullptr) {
        throw EFilerError("No root element found in xml");
    }
    if (document_.rootRequired()) {
        checkStructure();
    }
    return utf8;
}

void XmlReader::checkStructure() const {
    const XmlNode& top = document_.topLevel();
    int elements = 0, declarations = 0, docTypes = 0, lastElement = -1, lastDocType = -1;
    bool cdata = false, declarationFirst = true;
    for (int i = 0; i < top.childCount(); ++i) {
        switch (top.child(i)->elementKind()) {
            case ElementKind::Element:
                ++elements, lastElement = i;
                break;
            case ElementKind::Declaration:
                ++declarations, declarationFirst = i == 0;
                break;
            case ElementKind::DocType:
                ++docTypes, lastDocType = i;
                break;
            case ElementKind::CData:
                cdata = true;
                break;
            default:
                break;
        }
    }
    if (elements > 1) {
        throw EFilerError("More than one root element found in xml");
    }
    if (declarations > 1) {
        throw EFilerError("More than one xml declaration found in xml");
    }
    if (declarations == 1 && !declarationFirst) {
        throw EFilerError("Xml declaration must be first element");
    }
    if (docTypes > 1) {
        throw EFilerError("More than one doctype declaration found in root");
    }
    if (docTypes == 1 && lastDocType > lastElement) {
        throw EFilerError("Doctype declaration found after root element");
    }
    if (cdata) {
        throw EFilerError("No CDATA allowed in root");
    }
}

std::size_t XmlReader::matchOpener(std::size_t lessThan) {
    // Every opener but the element's goes on with "!" or "?": the common case is decided
    // by one look.
    if (pos_ < text_.size() && text_[pos_] != '!' && text_[pos_] != '?') {
        return kElementRow;
    }
    std::array<bool, kTagTable.size()> possible;
    possible.fill(true);
    std::size_t choice = kElementRow;
    for (std::size_t position = 1;; ++position) {
        if (pos_ >= text_.size() || text_[pos_] == '\0') {
            break;  // the end is left for the node's own reader to meet
        }
        const char c = text_[pos_];
        bool matched = false;
        for (std::size_t row = 0; row < kTagTable.size(); ++row) {
            const auto opener = kTagTable[row].opener;
            if (!possible[row]) {
                continue;
            }
            if (opener.size() > position && opener[position] == c) {
                matched = true;
                if (opener.size() == position + 1) {
                    choice = row;
                }
            } else {
                possible[row] = false;
            }
        }
        if (!matched) {
            break;
        }
        next();
    }
    // The characters read past the chosen opener are handed on to the node's reader,
    // except for the document-type rows, whose readers start after them.
    const auto kind = kTagTable[choice].kind;
    const bool dtdRow = kind == ElementKind::DocType || kind == ElementKind::DtdElement ||
                        kind == ElementKind::DtdAttList || kind == ElementKind::DtdEntity ||
                        kind == ElementKind::DtdNotation;
    if (dtdRow) {
        next();  // the one character read beyond the opener that matched nothing
    } else {
        pos_ = lessThan + kTagTable[choice].opener.size();
    }
    return choice;
}

std::string_view XmlReader::readUntil(std::string_view closer, bool& found) {
    const std::size_t begin = pos_;
    const char last = closer.back();
    const char* data = text_.data();
    std::size_t i = pos_;
    while (true) {
        const void* hit =
            i < text_.size() ? std::memchr(data + i, last, text_.size() - i) : nullptr;
        const std::size_t end =
            hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : text_.size();
        // A zero byte ends the input just as the end of the file does.
        if (const void* zero = std::memchr(data + i, '\0', end - i)) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
            pos_ = at + 1;
            found = false;
            return text_.substr(begin, at - begin);
        }
        if (hit == nullptr) {
            pos_ = text_.size();
            found = false;
            return text_.substr(begin);
        }
        const std::size_t collectedEnd = end + 1;
        if (collectedEnd - begin >= closer.size() &&
            text_.compare(collectedEnd - closer.size(), closer.size(), closer) == 0) {
            pos_ = collectedEnd;
            found = true;
            before_[1] = end;
            return text_.substr(begin, collectedEnd - closer.size() - begin);
        }
        i = end + 1;
    }
}

std::string_view XmlReader::readUpToOutsideQuotes(char closer) {
    const std::size_t begin = pos_;
    char quote = 0;
    for (int c = next(); c != -1; c = next()) {
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = static_cast<char>(c);
        } else if (c == closer) {
            return text_.substr(begin, pos_ - 1 - begin);
        }
    }
    return text_.substr(begin, pos_ - begin);
}

void XmlReader::addWordsAsAttributes(XmlNode& node, std::string_view text, bool skipFirst) {
    const auto words = splitWords(text);
    for (std::size_t i = skipFirst ? 1 : 0; i < words.size(); ++i) {
        node.appendAttributeEntry(keep(words[i]));
    }
}

void XmlReader::readNode(XmlNode& node, int depth) {
    int c = next();
    skipWhitespace(c);
    if (c != '<') {
        return;
    }
    const std::size_t lessThan = pos_ - 1;
    const auto& row = kTagTable[matchOpener(lessThan)];
    node.setElementKind(row.kind);
    bool found = false;
    switch (row.kind) {
        case ElementKind::CData:
        case ElementKind::Comment:
        case ElementKind::BangMarkup:
        case ElementKind::ProcessingInstruction:
            node.setNameUnchecked(row.name);
            node.setRawTextUnchecked(readUntil(row.closer, found));
            return;
        case ElementKind::DtdElement:
        case ElementKind::DtdAttList:
        case ElementKind::DtdEntity:
        case ElementKind::DtdNotation: {
            const auto words = splitWords(readUpToOutsideQuotes('>'));
            std::string rest;
            for (std::size_t i = 1; i < words.size(); ++i) {
                rest += i == 1 ? "" : "\r\n";
                rest += words[i];
            }
            if (!words.empty()) {
                node.setNameUnchecked(keep(words[0]));
            }
            node.setRawTextUnchecked(keep(trimControls(rest)));
            return;
        }
        case ElementKind::DocType:
            readDocType(node, depth);
            return;
        case ElementKind::Declaration:
        case ElementKind::Stylesheet:
            readStartTag(node, "?>");
            return;
        case ElementKind::Element:
            break;
        case ElementKind::TextRun:
            return;
    }
    const auto tag = readUntil(">", found);
    std::string_view inside = tag;
    const bool empty = !inside.empty() && inside.back() == '/';
    if (empty) {
        inside.remove_suffix(1);
    }
    if (splitInPlace(inside, words_)) {
        if (words_.empty()) {
            throw EFilerError("Missing element name");
        }
        node.setNameUnchecked(words_[0]);
        for (std::size_t i = 1; i < words_.size(); ++i) {
            node.appendAttributeEntry(words_[i]);
        }
    } else {
        // Spaces around an "=" make words that must be glued into new texts.
        const auto words = splitWords(inside);
        node.setNameUnchecked(keep(words[0]));
        for (std::size_t i = 1; i < words.size(); ++i) {
            node.appendAttributeEntry(keep(words[i]));
        }
    }
    if (!empty) {
        readContent(node, depth);
    }
}

void XmlReader::readStartTag(XmlNode& node, std::string_view closer) {
    bool found = false;
    const auto text = readUntil(closer, found);
    if (node.elementKind() == ElementKind::Stylesheet) {
        node.setNameUnchecked("xml-stylesheet");
        node.setRawTextUnchecked(trimControls(text));
    } else {
        node.setNameUnchecked("xml");
    }
    addWordsAsAttributes(node, text, false);
}

void XmlReader::readDocType(XmlNode& node, int depth) {
    const std::size_t begin = pos_;
    int c = next();
    while (c != -1 && c != '>' && c != '[') {
        c = next();
    }
    const auto words = splitWords(text_.substr(begin, (c == -1 ? pos_ : pos_ - 1) - begin));
    node.setNameUnchecked(words.empty() ? std::string_view("DTD") : keep(words[0]));
    std::string rest;
    for (std::size_t i = 1; i < words.size(); ++i) {
        rest += i == 1 ? "" : " ";
        rest += words[i];
    }
    node.setRawTextUnchecked(keep(rest));
    if (c != '[') {
        return;
    }
    if (depth >= kMaxNestingDepth) {
        throw EFilerError(withName("Markup nested too deeply in %s", node.name()));
    }
    while (true) {
        const std::size_t start = pos_;
        XmlNode& child = document_.newNode(&node, ElementKind::Element);
        node.adoptChild(child);
        readNode(child, depth + 1);
        c = next();
        skipWhitespace(c);
        if (c == ']' || c == -1 || pos_ <= start) {
            break;  // the end of the subset, or of the input: never loop in place
        }
        pos_ = before_[1];
    }
    while (c != -1 && c != '>') {
        c = next();
    }
}

bool XmlReader::flushPending(XmlNode& node, std::size_t begin, std::size_t end) {
    const auto pending = text_.substr(begin, end - begin);
    if (trimControls(pending).empty()) {
        return false;
    }
    if (node.childCount() == 0 && node.rawText().empty()) {
        // Text before the first child ends up as the element's own text; it goes there
        // at once instead of through a text node that would be moved and dropped.
        node.setRawTextUnchecked(pending);
        return true;
    }
    XmlNode& run = document_.newNode(&node, ElementKind::TextRun);
    run.setRawTextUnchecked(pending);
    node.adoptChild(run);
    return false;
}

void XmlReader::readContent(XmlNode& node, int depth) {
    bool childSeen = false;
    bool crSeen = false;
    bool leadingText = false;  // the element's text came from text before any child
    std::size_t pendingBegin = pos_;
    std::size_t pendingEnd = pos_;
    const char* data = text_.data();
    while (true) {
        // Fast path over plain text up to the next "<".
        std::size_t i = pos_;
        while (i < text_.size()) {
            const char c = data[i];
            if (c == '<' || c == '\0') {
                break;
            }
            crSeen = crSeen || c == '\r';
            ++i;
        }
        pos_ = i;
        const int c = next();
        if (c == -1) {
            throw EFilerError(withName("Missing close tag in element %s", node.name()));
        }
        pendingEnd = pos_ - 1;
        int after = next();
        skipWhitespace(after);
        if (after == -1) {
            throw EFilerError(withName("Missing data after \"<\" in element %s", node.name()));
        }
        if (after == '/') {
            break;
        }
        leadingText = flushPending(node, pendingBegin, pendingEnd) || leadingText;
        crSeen = false;
        childSeen = true;
        if (depth + 1 >= kMaxNestingDepth) {
            throw EFilerError(withName("Elements nested too deeply in element %s", node.name()));
        }
        pos_ = before_[0];  // back to the "<" (or the whitespace before the name)
        XmlNode& child = document_.newNode(&node, ElementKind::Element);
        node.adoptChild(child);
        readNode(child, depth + 1);
        if (document_.skipComments() && child.elementKind() == ElementKind::Comment) {
            node.removeLastChild();
        }
        pendingBegin = pos_;
    }
    bool found = false;
    const auto closing = readUntil(">", found);
    if (!found) {
        throw EFilerError(withName("Missing \">\" in close tag of element %s", node.name()));
    }
    if (!equalsIgnoringCase(trimControls(closing), node.name())) {
        throw EFilerError(withName("Incorrect close tag in element %s", node.name()));
    }
    leadingText = flushPending(node, pendingBegin, pendingEnd) || leadingText;
    if (childSeen && crSeen) {
        const auto trimmed = [](std::string_view raw) {
            while (!raw.empty() &&
                   (raw.back() == '\n' || raw.back() == '\r' || raw.back() == ' ')) {
                raw.remove_suffix(1);
            }
            return raw;
        };
        if (leadingText) {
            node.setRawTextUnchecked(trimmed(node.rawText()));
        }
        for (int i = 0; i < node.childCount(); ++i) {
            XmlNode& child = *node.child(i);
            if (child.elementKind() == ElementKind::TextRun) {
                child.setRawTextUnchecked(trimmed(child.rawText()));
            }
        }
    }
}

}  // namespace kelmar::xml
