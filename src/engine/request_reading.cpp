#include "engine/request_reading.hpp"

#include "platform/error.hpp"

namespace kelmar::engine {

xml::XmlNode& firstChildOfRoot(const xml::XmlDocument& request, std::string_view requestName) {
    xml::XmlNode* root = request.rootElement();
    xml::XmlNode* first = root != nullptr ? root->child(0) : nullptr;
    if (first == nullptr) {
        // "A requisição %s não tem nenhum elemento dentro da raiz"
        throw Error("A requisi\xE7\xE3o " + std::string(requestName) +
                    " n\xE3o tem nenhum elemento dentro da raiz");
    }
    return *first;
}

xml::XmlNode& secondChildOfRoot(const xml::XmlDocument& request, std::string_view requestName) {
    xml::XmlNode* root = request.rootElement();
    xml::XmlNode* second = root != nullptr ? root->child(1) : nullptr;
    if (second == nullptr) {
        // "A consulta %s não traz o número do recibo: a raiz tem menos de dois elementos"
        throw Error("A consulta " + std::string(requestName) +
                    " n\xE3o traz o n\xFAmero do recibo: a raiz tem menos de dois elementos");
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
    // "A requisição %s traz '%s', que não pode fazer parte de um nome de arquivo"
    throw Error("A requisi\xE7\xE3o " + std::string(requestName) + " traz '" + *shown +
                "', que n\xE3o pode fazer parte de um nome de arquivo");
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
