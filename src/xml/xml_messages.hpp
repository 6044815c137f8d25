#pragma once

// The XML layer's messages, as the operator reads them when a request or an answer
// cannot be read or written. %s stands for the name the message is about.
namespace kelmar::xml::messages {

inline constexpr const char* kCannotWriteStream = "Cannot write to output stream";
inline constexpr const char* kRootNotDefined = "XML root element not defined.";
inline constexpr const char* kNoRootElement = "No root element found in xml";
inline constexpr const char* kSecondRootElement = "More than one root element found in xml";
inline constexpr const char* kSecondDeclaration = "More than one xml declaration found in xml";
inline constexpr const char* kDeclarationNotFirst = "Xml declaration must be first element";
inline constexpr const char* kSecondDoctype = "More than one doctype declaration found in root";
inline constexpr const char* kDoctypeAfterRoot = "Doctype declaration found after root element";
inline constexpr const char* kCDataInRoot = "No CDATA allowed in root";
inline constexpr const char* kMissingElementName = "Missing element name";
inline constexpr const char* kUnsupportedEncoding = "Unsupported string encoding";
inline constexpr const char* kIllegalNodeName = "Illegal character in node name \"%s\"";
inline constexpr const char* kMissingDataAfterOpen = "Missing data after \"<\" in element %s";
inline constexpr const char* kMissingCloseBracket = "Missing \">\" in close tag of element %s";
inline constexpr const char* kIncorrectCloseTag = "Incorrect close tag in element %s";
inline constexpr const char* kMissingCloseTag = "Missing close tag in element %s";

}  // namespace kelmar::xml::messages
