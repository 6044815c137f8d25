#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "xml/xml_document.hpp"

namespace kelmar::xml {

// The deepest element nesting a document may have. Deeper markup is refused with an
// error instead of exhausting the stack.
inline constexpr int kMaxNestingDepth = 1024;

// Fills a document from markup already narrowed to one byte per character. Texts are
// kept where they stand in that buffer (the buffer lives in the document's arena), so
// loading copies almost nothing.
class XmlReader {
  public:
    XmlReader(XmlDocument& document, std::string_view text) : document_(document), text_(text) {}

    // Reads every top-level node; returns true when a declaration asked for UTF-8.
    bool readDocument();

  private:
    // One character, or -1 at the end of the input or at a zero byte (which is consumed).
    int next();
    void skipWhitespace(int& c);
    void readNode(XmlNode& node, int depth);
    std::size_t matchOpener(std::size_t lessThan);
    std::string_view readUntil(std::string_view closer, bool& found);
    std::string_view readUpToOutsideQuotes(char closer);
    void readDocType(XmlNode& node, int depth);
    void readStartTag(XmlNode& node, std::string_view closer);
    void readContent(XmlNode& node, int depth);
    // Turns the text read since the last child into a text node; true when it became
    // the element's own text instead.
    bool flushPending(XmlNode& node, std::size_t begin, std::size_t end);
    void addWordsAsAttributes(XmlNode& node, std::string_view text, bool skipFirst);
    std::string_view keep(std::string_view text);
    void checkStructure() const;

    XmlDocument& document_;
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t before_[2] = {0, 0};       // positions before the last two characters delivered
    std::vector<std::string_view> words_;  // reused for every start tag
};

}  // namespace kelmar::xml
