#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "xml/byte_sink.hpp"

namespace kelmar::xml::detail {

// Collects the writer's bytes in one 64 KiB buffer and hands it to the sink each time it is
// full and once at the end, so a file gets one write per 65,536 bytes. Writing into a
// text needs no buffer: the bytes go straight into the text.
class OutputBuffer {
  public:
    static constexpr std::size_t kSize = 65536;

    explicit OutputBuffer(ByteSink& sink)
        : sink_(&sink), buffer_(std::make_unique_for_overwrite<char[]>(kSize)) {}
    explicit OutputBuffer(std::string& text) : text_(&text) {}
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void append(std::string_view bytes) {
        if (bytes.empty()) {
            return;  // an empty text may have no data pointer at all
        }
        if (text_ != nullptr) {
            text_->append(bytes);
            return;
        }
        if (bytes.size() <= kSize - used_) {
            std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
            return;
        }
        appendSlow(bytes);
    }

    void append(char c) {
        if (text_ != nullptr) {
            text_->push_back(c);
            return;
        }
        if (used_ == kSize) {
            handOver();
        }
        buffer_[used_++] = c;
    }

    // Hands what is left to the sink.
    void flush() {
        if (used_ > 0) {
            handOver();
        }
    }

  private:
    void appendSlow(std::string_view bytes) {
        while (!bytes.empty()) {
            if (used_ == kSize) {
                handOver();
            }
            const std::size_t part = std::min(bytes.size(), kSize - used_);
            std::memcpy(buffer_.get() + used_, bytes.data(), part);
            used_ += part;
            bytes.remove_prefix(part);
        }
    }

    void handOver() {
        const std::size_t size = used_;
        used_ = 0;
        sink_->write(std::string_view(buffer_.get(), size));
    }

    ByteSink* sink_ = nullptr;
    std::string* text_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

}  // namespace kelmar::xml::detail
