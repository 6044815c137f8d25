#include "engine/request_reading.hpp"

#include "engine/engine_messages.hpp"
#include "platform/error.hpp"

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
    if (value.find_first_of(std::string_view("/\\\0", 3)) == value.npos) {
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

NfeRequest readNfeRequest(std::string_view path, std::string_view requestName) {
    xml::XmlDocument request;
    request.loadDocument(path);
    const xml::XmlNode& information = firstChildOfRoot(request, requestName);
    NfeRequest nfe;
    nfe.accessKey = removeAll(information.attributeText("Id", ""), "NFe");
    nfe.body = removeAll(removeAll(information.writeToText(), "\n"), "\r");
    return nfe;
}

}  // namespace kelmar::engine
