#pragma once

#include <string_view>

namespace kelmar::xml {

// Where the writer puts its bytes.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

}  // namespace kelmar::xml
