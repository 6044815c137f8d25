#include "engine/request_reading.hpp"

#include "engine/engine_messages.hpp"
#include "engine/exchange_names.hpp"
#include "platform/error.hpp"
#include "platform/native_path.hpp"

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

NfeRequest readNfeRequest(const xml::XmlDocument& request, std::string_view requestName) {
    const xml::XmlNode& information = firstChildOfRoot(request, requestName);
    NfeRequest nfe;
    nfe.accessKey = removeAll(information.attributeText("Id", ""), "NFe");
    nfe.body = removeAll(removeAll(information.writeToText(), "\n"), "\r");
    return nfe;
}

}  // namespace kelmar::engine
