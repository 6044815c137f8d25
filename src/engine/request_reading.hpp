#pragma once

#include <string>
#include <string_view>

#include "xml/xml_document.hpp"

// Reading what the handlers need from a request, and the checks that keep request
// texts from reaching places they must not.
namespace kelmar::engine {

// Removes every occurrence of a fragment (case-sensitive).
std::string removeAll(std::string_view text, std::string_view fragment);

// Replaces every occurrence of a fragment.
std::string replaceAll(std::string_view text, std::string_view fragment,
                       std::string_view replacement);

// The root element's first child node, whatever its kind. Raises an error naming the
// request when the root has none.
xml::XmlNode& firstChildOfRoot(const xml::XmlDocument& request, std::string_view requestName);

// The root element's second child node; raises when the root has fewer than two.
xml::XmlNode& secondChildOfRoot(const xml::XmlDocument& request, std::string_view requestName);

// A value taken from a request that becomes part of a file name must not hold a path
// separator or a zero byte: it would lead outside the exchange folder or cut the path
// short. Raises an error naming the request and the value.
void requireFileNamePart(std::string_view value, std::string_view requestName);

// What an NF-e request gives: the access key ("Id" without "NFe") and the information
// element written back as markup on one line.
struct NfeRequest {
    std::string accessKey;
    std::string body;
};

NfeRequest readNfeRequest(std::string_view path, std::string_view requestName);

}  // namespace kelmar::engine
