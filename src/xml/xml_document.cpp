#include "xml/xml_document.hpp"

#include <new>
#include <string>

#include "platform/atomic_file_writer.hpp"
#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "platform/platform_messages.hpp"
#include "xml/char_source.hpp"
#include "xml/document_reader.hpp"
#include "xml/node_writer.hpp"
#include "xml/output_buffer.hpp"
#include "xml/xml_messages.hpp"

namespace kelmar::xml {
namespace {

// Hands the writer's 64 KiB buffers to a file that is published only when complete.
class FileSink final : public ByteSink {
  public:
    explicit FileSink(platform::AtomicFileWriter& file) : file_(file) {}
    void write(std::string_view bytes) override {
        if (file_.write(bytes.data(), bytes.size()) < bytes.size()) {
            throw EWriteError(messages::kCannotWriteStream);
        }
    }

  private:
    platform::AtomicFileWriter& file_;
};

// Reads an open file page by page.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(platform::InputFile& file) : file_(file) {}
    std::size_t read(unsigned char* destination, std::size_t size) override {
        return file_.read(reinterpret_cast<char*>(destination), size);
    }
    std::optional<std::uint64_t> sizeHint() const override { return file_.size(); }

  private:
    platform::InputFile& file_;
};

}  // namespace

XmlDocument::XmlDocument() : topLevel_(XmlNode::ConstructionKey{}, *this) {
    XmlNode& declaration = newNode(&topLevel_, ElementKind::Declaration);
    declaration.setName("xml");
    declaration.addAttribute("version", "1.0");
    declaration.addAttribute("encoding", "windows-1252");
    topLevel_.appendChildNode(declaration);
    topLevel_.appendChildNode(newNode(&topLevel_, ElementKind::Element));
}

XmlDocument::~XmlDocument() = default;

std::unique_ptr<XmlDocument> XmlDocument::createWithRoot(std::string_view rootName) {
    auto document = std::make_unique<XmlDocument>();
    document->rootElement()->setName(rootName);
    return document;
}

XmlNode& XmlDocument::newNode(XmlNode* parent, ElementKind kind) {
    void* memory = arena_.allocate(sizeof(XmlNode), alignof(XmlNode));
    return *::new (memory) XmlNode(XmlNode::ConstructionKey{}, parent, kind);
}

void XmlDocument::clearTree() {
    topLevel_.setChildList(nullptr);
    topLevel_.up_ &= ~std::uintptr_t{XmlNode::kHasAttributes};
    tags_.clear();
    attributes_.clear();
    names_.clear();
    arena_.release();
}

XmlNode* XmlDocument::rootElement() const {
    for (int i = 0; i < topLevel_.childCount(); ++i) {
        XmlNode* node = topLevel_.child(i);
        if (node->elementKind() == ElementKind::Element) {
            return node;
        }
    }
    return nullptr;
}

void XmlDocument::setDeclarationEncoding(std::string_view encoding) {
    setDeclarationAttribute("encoding", encoding);
}

void XmlDocument::setDeclarationVersion(std::string_view version) {
    setDeclarationAttribute("version", version);
}

void XmlDocument::setDeclarationAttribute(std::string_view attribute, std::string_view value) {
    XmlNode* first = topLevel_.child(0);
    const bool hasDeclaration =
        first != nullptr && first->elementKind() == ElementKind::Declaration;
    const std::string current = hasDeclaration ? first->attributeText(attribute, "") : "";
    if (current == value) {
        return;
    }
    if (!hasDeclaration) {
        // Only reached with a non-empty value: an empty one equals the missing value.
        first = &newNode(&topLevel_, ElementKind::Declaration);
        first->setName("xml");
        topLevel_.insertChildFirst(*first);
    }
    first->setAttribute(attribute, value);
}

void XmlDocument::writeDocumentTo(ByteSink& sink) const {
    if (rootRequired_ && rootElement() == nullptr) {
        throw kelmar::Error(messages::kRootNotDefined);
    }
    detail::OutputBuffer out(sink);
    detail::NodeWriter writer(*this, out);
    const std::string_view separator = outputForm_ == OutputForm::Readable ? "\r\n" : "\n";
    for (int i = 0; i < topLevel_.childCount(); ++i) {
        writer.write(*topLevel_.child(i), 0);
        out.append(separator);
    }
    out.flush();
}

void XmlDocument::saveDocument(std::string_view pathText) const {
    auto file = platform::AtomicFileWriter::create(pathText);
    if (!file) {
        throw EFCreateError(formatMessage(platform::kCannotCreateFile, pathText));
    }
    FileSink sink(*file);
    writeDocumentTo(sink);
    if (!file->commit()) {
        throw EWriteError(messages::kCannotWriteStream);
    }
}

void XmlDocument::loadDocument(std::string_view pathText, platform::FileIdentity* opened) {
    auto file = platform::InputFile::open(pathText);
    if (!file) {
        throw EFOpenError(formatMessage(platform::kCannotOpenFile, pathText));
    }
    if (opened != nullptr) {
        *opened = file->identity();
    }
    // A file of the usual size is taken in one read and scanned where it lies; a large one
    // is read page by page, so its bytes and its tree are not both held at once.
    constexpr std::uint64_t kWholeFileLimit = std::uint64_t{1} << 20;
    if (file->size() <= kWholeFileLimit) {
        const std::string bytes = file->readRest();
        loadFromMemory(bytes);
        return;
    }
    FileSource source(*file);
    loadFrom(source);
}

void XmlDocument::loadFromMemory(std::string_view bytes) {
    MemoryByteSource source(bytes);
    loadFrom(source);
}

void XmlDocument::loadFrom(ByteSource& bytes) {
    detail::CharSource source(bytes);
    detail::DocumentReader reader(*this, source);
    reader.readDocument();
    fileEncoding_ = source.encoding();
    const XmlNode* first = topLevel_.child(0);
    if (fileEncoding_ == FileEncoding::Utf8 ||
        (first != nullptr && first->elementKind() == ElementKind::Declaration &&
         first->attributeText("encoding", "") == "UTF-8")) {
        storedUtf8_ = true;
    }
}

}  // namespace kelmar::xml
