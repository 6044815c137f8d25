#pragma once

#include <string>
#include <string_view>

namespace kelmar::xml {

// Where the writer puts its bytes.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// Collects everything written into one text.
class StringSink final : public ByteSink {
  public:
    void write(std::string_view bytes) override { text_ += bytes; }
    std::string& text() { return text_; }

  private:
    std::string text_;
};

}  // namespace kelmar::xml
