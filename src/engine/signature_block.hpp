#pragma once

#include <string>

namespace kelmar::engine {

// The constant XML signature appended to every authorised archive copy: one line, 2528
// characters, the same in every copy.
const std::string& signatureBlock();

}  // namespace kelmar::engine
