#include "engine/request_reading.hpp"

#include <algorithm>

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

// Read from UTF-16 or UTF-32 (narrowed to one byte a character), or from an 8-bit file
// that declares another encoding (ISO-8859-1, windows-1252).
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

std::string_view localName(std::string_view name) {
    const auto colon = name.find(':');
    return colon == name.npos ? name : name.substr(colon + 1);
}

const xml::XmlNode* childNamed(const xml::XmlNode& parent, std::string_view local) {
    for (int i = 0; i < parent.childCount(); ++i) {
        const xml::XmlNode* child = parent.child(i);
        if (child->elementKind() == xml::ElementKind::Element &&
            localName(child->name()) == local) {
            return child;
        }
    }
    return nullptr;
}

const xml::XmlNode* elementNamed(const xml::XmlNode& node, std::string_view local, int depth) {
    std::vector<const xml::XmlNode*> level = {&node};
    for (int i = 0; i <= depth && !level.empty(); ++i) {
        std::vector<const xml::XmlNode*> next;
        for (const auto* candidate : level) {
            if (candidate->elementKind() != xml::ElementKind::Element) {
                continue;
            }
            if (localName(candidate->name()) == local) {
                return candidate;
            }
            for (int c = 0; c < candidate->childCount(); ++c) {
                next.push_back(candidate->child(c));
            }
        }
        level = std::move(next);
    }
    return nullptr;
}

namespace {

// The NF-e's signature digest: Signature/SignedInfo/Reference/DigestValue.
std::string signatureDigest(const xml::XmlNode* signature) {
    for (const auto* step : {"SignedInfo", "Reference", "DigestValue"}) {
        if (signature == nullptr) {
            return {};
        }
        signature = childNamed(*signature, step);
    }
    return signature != nullptr ? std::string(platform::trimText(signature->valueText()))
                                : std::string();
}

// Every namespace declaration of the element and its ancestors, nearest first, each name
// once (a nearer one hides a farther one of the same name).
std::vector<std::pair<Attribute, bool>> declarationsInForce(const xml::XmlNode& element) {
    std::vector<std::pair<Attribute, bool>> found;  // declaration, made by the element
    for (const xml::XmlNode* node = &element; node != nullptr; node = node->parent()) {
        for (int i = 0; i < node->attributeEntryCount(); ++i) {
            const auto entry = node->attributeEntry(i);
            const auto equals = entry.find('=');
            if (equals == entry.npos) {
                continue;
            }
            const auto name = std::string(platform::trimText(entry.substr(0, equals)));
            if (name != "xmlns" && !name.starts_with("xmlns:")) {
                continue;
            }
            const bool known = std::any_of(found.begin(), found.end(),
                                           [&](const auto& d) { return d.first.first == name; });
            if (!known) {
                found.push_back({{name, node->attributeTextAt(i)}, node == &element});
            }
        }
    }
    return found;
}

// The markup inside an element on one line.
std::string contentOnOneLine(const xml::XmlNode& element) {
    std::string content;
    for (int i = 0; i < element.childCount(); ++i) {
        content += element.child(i)->writeToText();
    }
    return removeAll(removeAll(content, "\n"), "\r");
}

}  // namespace

std::string StandaloneElement::text() const {
    std::string out = "<" + name;
    for (const auto& [attribute, value] : attributes) {
        out += " " + attribute + "=\"";
        for (const char c : value) {
            out += c == '&'   ? std::string("&amp;")
                   : c == '<' ? std::string("&lt;")
                   : c == '"' ? std::string("&quot;")
                              : std::string(1, c);
        }
        out += "\"";
    }
    return out + ">" + content + "</" + name + ">";
}

StandaloneElement standaloneElement(const xml::XmlNode& element, bool convert) {
    const auto utf8 = [convert](const std::string& text) {
        return convert ? platform::cp1252ToUtf8(text) : text;
    };
    StandaloneElement standalone;
    standalone.name = element.name();
    standalone.content = utf8(contentOnOneLine(element));
    for (const auto& [declaration, own] : declarationsInForce(element)) {
        const auto& name = declaration.first;
        const bool used = name == "xmlns" || standalone.name.starts_with(name.substr(6) + ":") ||
                          standalone.content.find(name.substr(6) + ":") != std::string::npos;
        if (!own && used) {
            standalone.attributes.emplace_back(name, utf8(declaration.second));
        }
    }
    for (int i = 0; i < element.attributeEntryCount(); ++i) {
        const auto entry = element.attributeEntry(i);
        const auto name = platform::trimText(entry.substr(0, entry.find('=')));
        standalone.attributes.emplace_back(std::string(name), utf8(element.attributeTextAt(i)));
    }
    return standalone;
}

NfeRequest readNfeRequest(const xml::XmlDocument& request, std::string_view requestName,
                          NfeText text) {
    const xml::XmlNode* root = request.rootElement();
    // An NF-e wrapped by an application sits at most three levels down (an envelope
    // holding enviNFe holding the NFe).
    const xml::XmlNode* nfeElement = root != nullptr ? elementNamed(*root, "NFe", 3) : nullptr;
    const xml::XmlNode* found =
        nfeElement != nullptr && nfeElement != root ? childNamed(*nfeElement, "infNFe") : nullptr;
    if (nfeElement == nullptr || found == nullptr) {
        nfeElement = root;  // the root's first node, as for an NF-e sent on its own
    }
    const xml::XmlNode& information =
        found != nullptr ? *found : firstChildOfRoot(request, requestName);
    const bool convert = heldAsSingleBytes(request);
    NfeRequest nfe;
    nfe.accessKey = removeAll(information.attributeText("Id", ""), "NFe");
    if (text == NfeText::Body) {
        nfe.body = removeAll(removeAll(information.writeToText(), "\n"), "\r");
        if (convert) {
            nfe.body = platform::cp1252ToUtf8(nfe.body);
        }
        for (const auto& [declaration, own] : declarationsInForce(*nfeElement)) {
            const auto& name = declaration.first;
            if (name.starts_with("xmlns:") &&
                nfe.body.find(name.substr(6) + ":") != std::string::npos) {
                nfe.prefixDeclarations.push_back(declaration);
            }
        }
    }
    if (text == NfeText::WholeElement) {
        nfe.element = standaloneElement(*nfeElement, convert);
    }
    const xml::XmlNode* signature = childNamed(*nfeElement, "Signature");
    nfe.signedByItself = signature != nullptr;
    nfe.digest = signatureDigest(signature);
    return nfe;
}

}  // namespace kelmar::engine
