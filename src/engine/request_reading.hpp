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

// What an NF-e request gives: the access key ("Id" without "NFe") and the information
// element written back as markup on one line.
struct NfeRequest {
    std::string accessKey;
    // In UTF-8, the form the archive copy declares: a request read from UTF-16 or from an
    // 8-bit file declaring another encoding is converted.
    std::string body;
    // The root's namespace declarations with a prefix the body uses (xmlns:nfe="..."), as
    // name and value, so the archive copy declares them too.
    std::vector<std::pair<std::string, std::string>> prefixDeclarations;
};

NfeRequest readNfeRequest(const xml::XmlDocument& request, std::string_view requestName);

}  // namespace kelmar::engine
