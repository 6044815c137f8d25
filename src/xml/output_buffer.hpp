#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "xml/byte_sink.hpp"

namespace kelmar::xml::detail {

// Collects the writer's bytes in a buffer of up to 64 KiB and hands it to the sink each
// time it is full and once at the end, so a file gets one write per 65,536 bytes. The
// buffer starts small and doubles as it fills, so a short document costs no 64 KiB
// allocation. Writing into a text needs no buffer: the bytes go straight into the text.
class OutputBuffer {
  public:
    static constexpr std::size_t kSize = 65536;
    static constexpr std::size_t kFirstSize = 1024;

    explicit OutputBuffer(ByteSink& sink)
        : sink_(&sink),
          buffer_(std::make_unique_for_overwrite<char[]>(kFirstSize)),
          capacity_(kFirstSize) {}
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
        if (bytes.size() <= capacity_ - used_) {
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
        if (used_ == capacity_) {
            makeRoom(1);
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
            if (used_ == capacity_) {
                makeRoom(bytes.size());
            }
            const std::size_t part = std::min(bytes.size(), capacity_ - used_);
            std::memcpy(buffer_.get() + used_, bytes.data(), part);
            used_ += part;
            bytes.remove_prefix(part);
        }
    }

    // The buffer is full. Below 64 KiB it grows (by doublings, until the wanted bytes fit
    // or it reaches 64 KiB); at 64 KiB it is handed over, so the sink only sees full pieces.
    void makeRoom(std::size_t wanted) {
        if (capacity_ == kSize) {
            handOver();
            return;
        }
        std::size_t grown = capacity_ * 2;
        while (grown < kSize && grown - used_ < wanted) {
            grown *= 2;
        }
        auto larger = std::make_unique_for_overwrite<char[]>(grown);
        std::memcpy(larger.get(), buffer_.get(), used_);
        buffer_ = std::move(larger);
        capacity_ = grown;
    }

    void handOver() {
        const std::size_t size = used_;
        used_ = 0;
        sink_->write(std::string_view(buffer_.get(), size));
    }

    ByteSink* sink_ = nullptr;
    std::string* text_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

}  // namespace kelmar::xml::detail
