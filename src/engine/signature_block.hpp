#pragma once

#include <string>
#include <string_view>

namespace kelmar::engine {

// The constant XML signature appended to every authorised archive copy: one line, 2528
// characters, the same in every copy.
const std::string& signatureBlock();

// The DigestValue that block carries.
std::string_view fixedSignatureDigest();

}  // namespace kelmar::engine
