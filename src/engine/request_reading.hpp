#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text_helpers.hpp"
#include "xml/xml_document.hpp"

// Reading what the handlers need from a request, and the checks that keep request
// texts from reaching places they must not.
namespace kelmar::engine {

// The plain text helpers the handlers cut request texts with.
using platform::removeAll;
using platform::replaceAll;

// The root element's first child node, whatever its kind. Raises an error naming the
// request when the root has none.
xml::XmlNode& firstChildOfRoot(const xml::XmlDocument& request, std::string_view requestName);

// The root element's second child node; raises when the root has fewer than two.
xml::XmlNode& secondChildOfRoot(const xml::XmlDocument& request, std::string_view requestName);

// A value taken from a request that becomes part of a file name must be one every system
// takes: no path separator or zero byte (it would lead outside the exchange folder or cut
// the path short), none of the characters Windows refuses in names, and short enough for
// the longest ending put after it. Raises an error naming the request and the value.
void requireFileNamePart(std::string_view value, std::string_view requestName);

// The value as it is shown in messages (a zero byte as "\0") when it must not become
// part of a file name; nothing when it may.
std::optional<std::string> unsafeFileNamePart(std::string_view value);

// An attribute as name and value (the value unescaped).
using Attribute = std::pair<std::string, std::string>;

// An element of a request taken out whole, to be written again on its own: its name, its
// attributes after the namespace declarations it inherits and needs, and everything
// inside it on one line, all in UTF-8.
struct StandaloneElement {
    std::string name;
    std::vector<Attribute> attributes;
    std::string content;

    // "<name a="v" ...>content</name>".
    std::string text() const;
};

// The element as it stands on its own. `convert`: the request's text is held as
// Windows-1252 bytes and is converted to UTF-8.
StandaloneElement standaloneElement(const xml::XmlNode& element, bool convert);

// True when the request's text is held as Windows-1252 bytes rather than UTF-8.
bool heldAsSingleBytes(const xml::XmlDocument& request);

// What an NF-e request gives: the access key ("Id" without "NFe") and the information
// element written back as markup on one line. The NF-e is the root NFe, or the first NFe
// an application wrapped it in (nfeProc, enviNFe, a web-service envelope); the root's
// first element stands in for it when there is none.
struct NfeRequest {
    std::string accessKey;
    // Texts below are UTF-8, the form the archive copy declares: a request read from
    // UTF-16 or from an 8-bit file declaring another encoding is converted.
    std::string body;
    // The namespace declarations in force with a prefix the body uses (xmlns:nfe="..."),
    // so the archive copy declares them too.
    std::vector<Attribute> prefixDeclarations;

    // The NFe element whole, as today's archive keeps it.
    StandaloneElement element;
    bool signedByItself = false;  // it holds a Signature of its own
    // The DigestValue of that signature; empty when it has none.
    std::string digest;
};

// Which text of the NF-e is worked out besides its key and digest: the older layout's
// archive copy is made from the body, today's from the whole element, and a reader that
// wants only the key and the digest takes neither (each is the NF-e written out again).
enum class NfeText { Body, WholeElement, None };

NfeRequest readNfeRequest(const xml::XmlDocument& request, std::string_view requestName,
                          NfeText text);

// A name without its namespace prefix ("nfe:NFe" gives "NFe").
std::string_view localName(std::string_view name);
// The first child element with that local name, or nullptr.
const xml::XmlNode* childNamed(const xml::XmlNode& parent, std::string_view local);
// The first element with that local name at most `depth` levels below the node (the
// node itself counting as level 0), searched level by level; nullptr when none.
const xml::XmlNode* elementNamed(const xml::XmlNode& node, std::string_view local, int depth);

}  // namespace kelmar::engine
