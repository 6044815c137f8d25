#include "xml/xml_document.hpp"

#include <array>
#include <cstring>

#include "platform/atomic_file_writer.hpp"
#include "platform/error.hpp"

namespace kelmar::xml {
namespace {

constexpr std::size_t kWriteBufferSize = 65536;

// "Não é possível criar o arquivo %s"
constexpr const char* kCannotCreateFile = "N\xE3o \xE9 poss\xEDvel criar o arquivo %s";

// Collects output in a 64 KiB buffer and hands it to the file each time it fills.
class BufferedFileSink final : public ByteSink {
  public:
    explicit BufferedFileSink(platform::AtomicFileWriter& file) : file_(file) {}

    void write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const auto room = buffer_.size() - used_;
            const auto n = std::min(room, bytes.size());
            std::memcpy(buffer_.data() + used_, bytes.data(), n);
            used_ += n;
            bytes.remove_prefix(n);
            if (used_ == buffer_.size()) {
                flush();
            }
        }
    }

    void flush() {
        if (used_ > 0 && file_.write(buffer_.data(), used_) != used_) {
            throw EStreamError("Cannot write to output stream");
        }
        used_ = 0;
    }

  private:
    platform::AtomicFileWriter& file_;
    std::array<char, kWriteBufferSize> buffer_;
    std::size_t used_ = 0;
};

}  // namespace

XmlDocument::XmlDocument() {
    topLevel_ = &newNode(nullptr, ElementKind::Element);
    XmlNode& declaration = newNode(topLevel_, ElementKind::Declaration);
    declaration.setNameUnchecked("xml");
    declaration.addAttribute("version", "1.0");
    declaration.addAttribute("encoding", "windows-1252");
    topLevel_->adoptChild(declaration);
    topLevel_->adoptChild(newNode(topLevel_, ElementKind::Element));
}

std::unique_ptr<XmlDocument> XmlDocument::createWithRoot(std::string_view rootName) {
    auto document = std::make_unique<XmlDocument>();
    document->rootElement()->setName(rootName);
    return document;
}

XmlNode& XmlDocument::newNode(XmlNode* parent, ElementKind kind) {
    void* memory = allocate(sizeof(XmlNode), alignof(XmlNode));
    // Nodes hold only views and arena arrays, so the arena's release is their end.
    return *::new (memory) XmlNode(*this, parent, kind);
}

void* XmlDocument::allocate(std::size_t bytes, std::size_t alignment) const {
    return arena_.allocate(bytes, alignment);
}

char* XmlDocument::allocateText(std::size_t size) const {
    return static_cast<char*>(arena_.allocate(size == 0 ? 1 : size, 1));
}

std::string_view XmlDocument::store(std::string_view text) const {
    if (text.empty()) {
        return {};
    }
    char* copy = allocateText(text.size());
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

XmlNode* XmlDocument::rootElement() const {
    for (int i = 0; i < topLevel_->childCount(); ++i) {
        XmlNode* node = topLevel_->child(i);
        if (node->elementKind() == ElementKind::Element) {
            return node;
        }
    }
    return nullptr;
}

void XmlDocument::setDeclarationAttribute(std::string_view attribute, std::string_view value) {
    XmlNode* first = topLevel_->child(0);
    const bool hasDeclaration =
        first != nullptr && first->elementKind() == ElementKind::Declaration;
    const std::string current =
        hasDeclaration ? first->attributeText(attribute, "") : std::string{};
    if (value == current) {
        return;
    }
    if (!hasDeclaration) {
        if (value.empty()) {
            return;  // nothing to declare and no declaration to change
        }
        XmlNode& declaration = newNode(topLevel_, ElementKind::Declaration);
        declaration.setNameUnchecked("xml");
        topLevel_->insertFirstChild(declaration);
        first = &declaration;
    }
    first->setAttribute(attribute, value);
}

void XmlDocument::setDeclarationEncoding(std::string_view encoding) {
    setDeclarationAttribute("encoding", encoding);
}

void XmlDocument::setDeclarationVersion(std::string_view version) {
    setDeclarationAttribute("version", version);
}

void XmlDocument::writeDocumentTo(ByteSink& sink) const {
    if (rootRequired_ && rootElement() == nullptr) {
        throw EStreamError("XML root element not defined.");
    }
    const std::string_view separator = outputForm_ == OutputForm::Readable ? "\r\n" : "\n";
    for (int i = 0; i < topLevel_->childCount(); ++i) {
        topLevel_->child(i)->writeTo(sink);
        sink.write(separator);
    }
}

void XmlDocument::saveDocument(std::string_view pathText) const {
    auto file = platform::AtomicFileWriter::create(pathText);
    if (!file) {
        throw Error(formatMessage(kCannotCreateFile, pathText));
    }
    BufferedFileSink sink(*file);
    writeDocumentTo(sink);
    sink.flush();
    if (!file->commit()) {
        throw EStreamError("Cannot write to output stream");
    }
}

}  // namespace kelmar::xml
