#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/file_identity.hpp"
#include "xml/arena.hpp"
#include "xml/byte_sink.hpp"
#include "xml/byte_source.hpp"
#include "xml/file_encoding.hpp"
#include "xml/name_table.hpp"
#include "xml/pointer_map.hpp"
#include "xml/xml_errors.hpp"
#include "xml/xml_node.hpp"

namespace kelmar::xml {

// The deepest element nesting the reader accepts; deeper markup is refused with an
// EFilerError instead of exhausting the stack.
inline constexpr int kMaxNestingDepth = 1024;

// An XML document: a hidden top-level container holding the declaration and the root
// element, the writer's settings, and the arena every node and text lives in. Releasing
// the document releases the whole tree at once.
class XmlDocument {
  public:
    // A declaration (version="1.0" encoding="windows-1252") and one unnamed element.
    XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;
    ~XmlDocument();

    // A new document whose root element has the name; raises like XmlNode::setName.
    static std::unique_ptr<XmlDocument> createWithRoot(std::string_view rootName);

    XmlNode& topLevel() { return topLevel_; }
    const XmlNode& topLevel() const { return topLevel_; }
    // The first top-level node of kind Element.
    XmlNode* rootElement() const;

    void setDeclarationEncoding(std::string_view encoding);
    void setDeclarationVersion(std::string_view version);

    OutputForm outputForm() const { return outputForm_; }
    void setOutputForm(OutputForm form) { outputForm_ = form; }
    std::string_view indentText() const { return indentText_; }
    void setIndentText(std::string_view text) { indentText_ = text; }
    bool writeEqualToDefault() const { return writeEqualToDefault_; }
    void setWriteEqualToDefault(bool value) { writeEqualToDefault_ = value; }
    bool rootRequired() const { return rootRequired_; }
    void setRootRequired(bool value) { rootRequired_ = value; }
    bool skipComments() const { return skipComments_; }
    void setSkipComments(bool value) { skipComments_ = value; }
    FileEncoding fileEncoding() const { return fileEncoding_; }
    bool storedUtf8() const { return storedUtf8_; }

    // Every top-level node, each followed by the separator of the output form.
    void writeDocumentTo(ByteSink& sink) const;

    // Writes the document through a 64 KiB buffer into a file that appears whole or not
    // at all. Raises "Não é possível criar o arquivo %s" when the file cannot be created
    // and "Cannot write to output stream" when the disk takes fewer bytes than handed.
    void saveDocument(std::string_view pathText) const;

    // Replaces the top-level content by the file's. Raises EFOpenError, EStreamError or
    // EFilerError with the reader's messages; after a failure the document holds what was
    // read up to the error. When asked, says which file was read, as it was when opened.
    void loadDocument(std::string_view pathText, platform::FileIdentity* opened = nullptr);

    // Replaces the top-level content by what the bytes hold, exactly as loadDocument
    // would from a file holding them (without the file's open error).
    void loadFromMemory(std::string_view bytes);

    // The same from any byte source.
    void loadFrom(ByteSource& bytes);

    // Heap bytes held by the tree (the arena's blocks), for memory measurements.
    std::size_t treeBytes() const { return arena_.bytesReserved(); }

  private:
    friend class XmlNode;
    friend class detail::DocumentReader;
    friend class detail::NodeWriter;

    XmlNode& newNode(XmlNode* parent, ElementKind kind);
    void clearTree();
    void setDeclarationAttribute(std::string_view attribute, std::string_view value);

    detail::Arena arena_;
    detail::NameTable names_;
    XmlNode topLevel_;
    std::unordered_map<const XmlNode*, std::int32_t> tags_;  // Tag is rarely set
    detail::PointerMap<XmlNode, XmlNode::AttributeList*> attributes_;
    std::string indentText_ = "  ";
    OutputForm outputForm_ = OutputForm::Compact;
    bool writeEqualToDefault_ = true;
    bool rootRequired_ = false;
    bool skipComments_ = false;
    bool storedUtf8_ = false;
    FileEncoding fileEncoding_ = FileEncoding::EightBit;
};

}  // namespace kelmar::xml
