#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xml/char_source.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::xml::detail {

// The forgiving single-pass parser behind XmlDocument::loadDocument. It keeps the file's
// bytes as they are (entities undecoded, line breaks kept) and drops whitespace-only text
// between elements. Nesting deeper than kMaxNestingDepth is refused.
class DocumentReader {
  public:
    DocumentReader(XmlDocument& document, CharSource& source);

    // Replaces the document's top-level nodes by the file's.
    void readDocument();

    // Rows of the tag table: what the characters after a "<" open.
    enum class Opener {
        CData,
        DocType,
        DtdElement,
        DtdAttList,
        DtdEntity,
        DtdNotation,
        Stylesheet,
        Declaration,
        Comment,
        BangMarkup,
        Instruction,
        Element
    };

  private:
    // Text collected in an element's content, waiting for the next child or the close tag.
    struct ContentState {
        std::size_t firstChild;  // where the element's children start on the child stack
        const char* leadingText = nullptr;
        bool hasLeadingText = false;
        bool childSeen = false;
        bool crSeen = false;
    };

    // A read in progress that keeps what it read should it fail: a node being read under
    // parent, or (parent null) the content of node, whose children start at firstChild on
    // the child stack.
    struct OpenRead {
        XmlNode* node;
        XmlNode* parent;
        std::size_t firstChild;
    };

    XmlNode& newNode(XmlNode* parent, ElementKind kind = ElementKind::Element);
    void readNode(XmlNode& node, bool afterLessThan, int depth);
    // Reads the next node under parent, reusing scratch while nodes read nothing; the
    // node when it was kept, else nothing.
    XmlNode* readKeptNode(XmlNode& parent, XmlNode*& scratch, int depth);
    Opener matchOpener();
    bool readUntil(std::string_view closer, std::string_view& text);
    bool readUntilSlow(std::string& out, std::string_view closer);
    // Reads a start tag or declaration; tagHasContent_ tells whether content follows.
    void readTag(XmlNode& node, Opener opener);
    bool readStartTagInPage(std::string_view& tag, bool& plainName);
    bool skipExactCloseTag(const XmlNode& node);
    void readDtdDeclaration(XmlNode& node);
    void readDocType(XmlNode& node, int depth);
    void readContent(XmlNode& node, int depth);
    void readContentUntilCloseTag(XmlNode& node, int depth, ContentState& state);
    // seen gathers the character classes of the text's bytes.
    std::string_view textBeforeLessThan(const XmlNode& node, std::uint8_t& seen);
    bool readElementInPage(XmlNode& node, int depth);
    void readChild(XmlNode& node, int depth);
    void flushText(XmlNode& node, ContentState& state, std::string_view text, std::uint8_t seen);
    void finishContent(XmlNode& node, ContentState& state);
    void commitChildren(XmlNode& node, std::size_t firstChild);
    void keepOpenReads();
    void setAttributes(XmlNode& node, std::span<const std::string_view> words);
    int skipWhitespace();
    void checkRootRules() const;
    [[noreturn]] void fail(std::string_view messageTemplate, const XmlNode& node) const;

    XmlDocument& document_;
    Arena& arena_;
    CharSource& source_;
    std::string carry_;                 // characters read past a tag opener
    std::string tag_;                   // text of the tag being read
    std::string pending_;               // text of the content being read
    std::vector<XmlNode*> childStack_;  // children of the open elements, innermost last
    std::vector<OpenRead> openReads_;   // reads in progress, innermost last
    bool tagHasContent_ = false;
};

}  // namespace kelmar::xml::detail
