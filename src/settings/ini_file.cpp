#include "settings/ini_file.hpp"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "platform/native_path.hpp"
#include "platform/text_helpers.hpp"

namespace kelmar::settings {
namespace {

using platform::sameTextIgnoringCase;
using platform::trimText;

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const auto text = trimText(line);
    if (text.size() < 2 || text.front() != '[') {
        return std::nullopt;
    }
    const auto close = text.find(']');
    if (close == text.npos) {
        return std::nullopt;
    }
    return trimText(text.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing for a line without "=".
std::optional<std::string_view> keyName(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == line.npos) {
        return std::nullopt;
    }
    return trimText(line.substr(0, equals));
}

// The key as sameTextIgnoringCase compares it: ASCII letters in one case.
std::string foldedCase(std::string_view key) {
    std::string folded(key);
    for (auto& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::string_view IniFile::nativeLineEnding() {
    return platform::nativeLineEnding();
}

IniFile::IniFile(std::string_view content) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (content.starts_with(kByteOrderMark)) {
        byteOrderMark_ = true;
        content.remove_prefix(kByteOrderMark.size());
    }
    if (content.find("\r\n") != content.npos) {
        lineEnding_ = "\r\n";
    } else if (content.find('\n') != content.npos) {
        lineEnding_ = "\n";
    }
    endsWithLineEnding_ = content.empty() || content.back() == '\n';
    std::size_t start = 0;
    while (start < content.size()) {
        auto end = content.find('\n', start);
        if (end == content.npos) {
            end = content.size();
        }
        auto line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines_.emplace_back(line);
        start = end + 1;
    }
}

std::string IniFile::read(std::string_view section, std::string_view key, std::string_view fallback,
                          std::size_t maxLength) const {
    bool inSection = false;
    for (const auto& line : lines_) {
        if (const auto name = sectionName(line)) {
            inSection = sameTextIgnoringCase(*name, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto lineKey = keyName(line);
        if (lineKey && sameTextIgnoringCase(*lineKey, key)) {
            const auto value = unquote(trimText(std::string_view(line).substr(line.find('=') + 1)));
            return std::string(value.substr(0, maxLength));
        }
    }
    return std::string(fallback.substr(0, maxLength));
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    std::vector<std::string> found;
    for (auto& entry : entries(section)) {
        found.push_back(std::move(entry.first));
    }
    return found;
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(std::string_view section,
                                                                  std::size_t maxLength) const {
    std::vector<std::pair<std::string, std::string>> found;
    // Keys seen so far, upper-cased: the first line of a key is the one read gives.
    std::unordered_set<std::string> seen;
    bool inSection = false;
    for (const auto& line : lines_) {
        if (const auto name = sectionName(line)) {
            inSection = sameTextIgnoringCase(*name, section);
            continue;
        }
        const auto key = keyName(line);
        if (!inSection || !key || key->empty() || key->front() == ';' || key->front() == '#') {
            continue;
        }
        if (!seen.insert(foldedCase(*key)).second) {
            continue;
        }
        const auto value = unquote(trimText(std::string_view(line).substr(line.find('=') + 1)));
        found.emplace_back(std::string(*key), std::string(value.substr(0, maxLength)));
    }
    return found;
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    std::string entry(key);
    entry += '=';
    entry += value;

    std::optional<std::size_t> sectionLine;
    std::size_t insertAt = lines_.size();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i])) {
            if (sectionLine) {
                break;  // the section ended without the key
            }
            if (sameTextIgnoringCase(*name, section)) {
                sectionLine = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (!sectionLine) {
            continue;
        }
        const auto lineKey = keyName(lines_[i]);
        if (lineKey && sameTextIgnoringCase(*lineKey, key)) {
            lines_[i] = std::move(entry);
            return;
        }
        if (!trimText(lines_[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (!sectionLine) {
        if (!lines_.empty() && !trimText(lines_.back()).empty()) {
            lines_.emplace_back();
        }
        std::string header(1, '[');
        header.append(section).push_back(']');
        lines_.push_back(std::move(header));
        insertAt = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    endsWithLineEnding_ = true;
}

std::string IniFile::content() const {
    std::string out(byteOrderMark_ ? "\xEF\xBB\xBF" : "");
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || endsWithLineEnding_) {
            out += lineEnding_;
        }
    }
    return out;
}

}  // namespace kelmar::settings
