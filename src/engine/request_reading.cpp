#include "engine/request_reading.hpp"

#include "engine/engine_messages.hpp"
#include "engine/exchange_names.hpp"
#include "platform/error.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::engine {

xml::XmlNode& firstChildOfRoot(const xml::XmlDocument& request, std::string_view requestName) {
    xml::XmlNode* root = request.rootElement();
    xml::XmlNode* first = root != nullptr ? root->child(0) : nullptr;
    if (first == nullptr) {
        throw Error(messages::noElementInsideRoot(requestName));
    }
    return *first;
}

xml::XmlNode& secondChildOfRoot(const xml::XmlDocument& request, std::string_view requestName) {
    xml::XmlNode* root = request.rootElement();
    xml::XmlNode* second = root != nullptr ? root->child(1) : nullptr;
    if (second == nullptr) {
        throw Error(messages::noReceiptNumber(requestName));
    }
    return *second;
}

std::optional<std::string> unsafeFileNamePart(std::string_view value) {
    // File names hold at most 255 characters; the longest ending is "-montar-lote.xml".
    constexpr std::size_t kLongestValue = 255 - fragment::kBatchList.size();
    if (!platform::isForbiddenFileName(value) && value.size() <= kLongestValue) {
        return std::nullopt;
    }
    std::string shown;
    for (const char c : value) {
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
    return shown;
}

void requireFileNamePart(std::string_view value, std::string_view requestName) {
    const auto shown = unsafeFileNamePart(value);
    if (!shown) {
        return;
    }
    throw Error(messages::unsafeFileNamePart(messages::kRequestSubject, requestName, *shown));
}

namespace {

// True when the request's text is held as Windows-1252 bytes rather than UTF-8: read from
// UTF-16 or UTF-32 (narrowed to one byte a character), or from an 8-bit file that declares
// another encoding (ISO-8859-1, windows-1252).
bool heldAsSingleBytes(const xml::XmlDocument& request) {
    using xml::FileEncoding;
    const auto encoding = request.fileEncoding();
    if (encoding == FileEncoding::Utf8) {
        return false;
    }
    if (encoding != FileEncoding::EightBit) {
        return true;
    }
    const xml::XmlNode* first = request.topLevel().child(0);
    if (first == nullptr || first->elementKind() != xml::ElementKind::Declaration) {
        return false;  // no declaration: UTF-8, as XML has it
    }
    const auto declared = first->attributeText("encoding", "");
    return !declared.empty() && !platform::sameTextIgnoringCase(declared, "UTF-8");
}

}  // namespace

NfeRequest readNfeRequest(const xml::XmlDocument& request, std::string_view requestName) {
    const xml::XmlNode& information = firstChildOfRoot(request, requestName);
    NfeRequest nfe;
    nfe.accessKey = removeAll(information.attributeText("Id", ""), "NFe");
    nfe.body = removeAll(removeAll(information.writeToText(), "\n"), "\r");
    if (heldAsSingleBytes(request)) {
        nfe.body = platform::cp1252ToUtf8(nfe.body);
    }
    const xml::XmlNode& root = *request.rootElement();
    for (int i = 0; i < root.attributeEntryCount(); ++i) {
        const auto entry = root.attributeEntry(i);
        const auto equals = entry.find('=');
        if (!entry.starts_with("xmlns:") || equals == entry.npos) {
            continue;
        }
        const auto name = platform::trimText(entry.substr(0, equals));
        const auto prefix = name.substr(6);
        if (nfe.body.find(std::string(prefix) + ":") != std::string::npos) {
            nfe.prefixDeclarations.emplace_back(name, root.attributeTextAt(i));
        }
    }
    return nfe;
}

}  // namespace kelmar::engine
