#pragma once

#include <memory>
#include <string_view>

#include "xml/arena.hpp"
#include "xml/byte_sink.hpp"
#include "xml/xml_errors.hpp"
#include "xml/xml_node.hpp"

namespace kelmar::xml {

enum class OutputForm : std::uint8_t { Readable = 0, Compact = 1 };

// An XML document: a hidden top-level node holding the declaration and the root element,
// the settings of the writer, and the arena every node and text of the tree lives in.
// Releasing the document releases the whole tree at once.
class XmlDocument {
  public:
    // A declaration (version 1.0, encoding windows-1252) and one unnamed element.
    XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // A new document whose root element has the name; raises like XmlNode::setName.
    static std::unique_ptr<XmlDocument> createWithRoot(std::string_view rootName);

    XmlNode& topLevel() { return *topLevel_; }
    const XmlNode& topLevel() const { return *topLevel_; }
    XmlNode* rootElement() const;

    void setDeclarationEncoding(std::string_view encoding);
    void setDeclarationVersion(std::string_view version);

    OutputForm outputForm() const { return outputForm_; }
    void setOutputForm(OutputForm form) { outputForm_ = form; }
    std::string_view indentText() const { return indentText_; }
    void setIndentText(std::string_view text) { indentText_ = store(text); }
    bool writeEqualToDefault() const { return writeEqualToDefault_; }
    void setWriteEqualToDefault(bool value) { writeEqualToDefault_ = value; }
    bool rootRequired() const { return rootRequired_; }
    void setRootRequired(bool value) { rootRequired_ = value; }
    bool skipComments() const { return skipComments_; }
    void setSkipComments(bool value) { skipComments_ = value; }
    int fileEncoding() const { return fileEncoding_; }
    bool storedUtf8() const { return storedUtf8_; }

    // Every top-level node, each followed by the separator of the output form.
    void writeDocumentTo(ByteSink& sink) const;

    // Writes the document to a file through a 64 KiB buffer. The file appears whole or
    // not at all. Raises "Não é possível criar o arquivo %s" when it cannot be created
    // and "Cannot write to output stream" when the disk takes fewer bytes than handed.
    void saveDocument(std::string_view pathText) const;

    // Replaces the top-level content by the file's. Raises EFOpenError, EStreamError or
    // EFilerError with the reader's messages.
    void loadDocument(std::string_view pathText);

    // Reads markup held in memory, as loadDocument reads a file's bytes.
    void loadFromBytes(std::string_view bytes);

  private:
    friend class XmlNode;
    friend class XmlReader;

    XmlNode& newNode(XmlNode* parent, ElementKind kind);
    std::string_view store(std::string_view text) const;
    char* allocateText(std::size_t size) const;
    void* allocate(std::size_t bytes, std::size_t alignment) const;
    void setDeclarationAttribute(std::string_view attribute, std::string_view value);

    mutable Arena arena_;
    XmlNode* topLevel_ = nullptr;
    std::string_view indentText_ = "  ";
    OutputForm outputForm_ = OutputForm::Compact;
    bool writeEqualToDefault_ = true;
    bool rootRequired_ = false;
    bool skipComments_ = false;
    bool storedUtf8_ = false;
    int fileEncoding_ = 0;
};

}  // namespace kelmar::xml
