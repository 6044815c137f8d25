#include "engine/pending_request.hpp"

#include "engine/record_file.hpp"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/atomic_file_writer.hpp"
#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "platform/native_path.hpp"
#include "platform/platform_messages.hpp"
#include "platform/text_helpers.hpp"
#include "settings/ini_file.hpp"

namespace kelmar::engine {
namespace {

using settings::StateField;

constexpr const char* kSection = "PENDENTE";
constexpr std::array<std::pair<StateField, const char*>, 3> kCounterKeys = {{
    {StateField::Batch, "LOTE"},
    {StateField::Receipt, "RECIBO"},
    {StateField::Protocol, "PROTOCOLO"},
}};

template <typename T>
bool parseNumber(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

std::string identityText(const platform::FileIdentity& identity) {
    return std::to_string(identity.device) + ":" + std::to_string(identity.inode) + ":" +
           std::to_string(identity.size) + ":" + std::to_string(identity.modifiedNs);
}

std::optional<platform::FileIdentity> parseIdentity(std::string_view text) {
    std::array<std::string_view, 4> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto colon = i + 1 < parts.size() ? text.find(':') : text.size();
        if (colon == text.npos) {
            return std::nullopt;
        }
        parts[i] = text.substr(0, colon);
        text.remove_prefix(std::min(text.size(), colon + 1));
    }
    platform::FileIdentity identity;
    if (!parseNumber(parts[0], identity.device) || !parseNumber(parts[1], identity.inode) ||
        !parseNumber(parts[2], identity.size) || !parseNumber(parts[3], identity.modifiedNs)) {
        return std::nullopt;
    }
    return identity;
}

}  // namespace

std::string PendingRequest::text() const {
    // Written out line by line, as the settings reader reads it back; built directly
    // because it is written twice for every NF-e answered.
    const auto ending = platform::nativeLineEnding();
    std::string text;
    text.reserve(160);
    const auto line = [&](std::string_view key, std::string_view value) {
        text.append(key).append(1, '=').append(value).append(ending);
    };
    text.append(1, '[').append(kSection).append(1, ']').append(ending);
    line("ARQUIVO", name);
    if (identity) {
        line("IDENTIDADE", identityText(*identity));
    }
    line("MES", month);
    for (const auto& [counter, key] : kCounterKeys) {
        std::string values;
        for (const auto& handOut : handOuts) {
            if (handOut.counter == counter) {
                values += (values.empty() ? "" : ",") + std::to_string(handOut.value);
            }
        }
        if (!values.empty()) {
            line(key, values);
        }
    }
    return text;
}

std::optional<PendingRequest> PendingRequest::parse(std::string_view text) {
    const settings::IniFile ini(text);
    PendingRequest pending;
    pending.name = ini.read(kSection, "ARQUIVO", "");
    pending.month = ini.read(kSection, "MES", "");
    if (pending.name.empty() || pending.month.empty()) {
        return std::nullopt;
    }
    const auto identity = ini.read(kSection, "IDENTIDADE", "");
    if (!identity.empty()) {
        pending.identity = parseIdentity(identity);
        if (!pending.identity) {
            return std::nullopt;
        }
    }
    for (const auto& [counter, key] : kCounterKeys) {
        // One number per NF-e of a batch: no cut at the usual length.
        const auto all = ini.read(kSection, key, "", std::string::npos);
        std::string_view values = all;
        while (!values.empty()) {
            const auto comma = std::min(values.find(','), values.size());
            std::int32_t value = 0;
            if (!parseNumber(platform::trimText(values.substr(0, comma)), value)) {
                return std::nullopt;
            }
            pending.handOuts.push_back({counter, value});
            values.remove_prefix(std::min(values.size(), comma + 1));
        }
    }
    return pending;
}

std::optional<PendingRequest> readPendingRequest(const std::string& pathText) {
    auto file = platform::InputFile::open(pathText);
    if (!file) {
        return std::nullopt;
    }
    return PendingRequest::parse(file->readRest());
}

void writePendingRequest(const std::string& pathText, const PendingRequest& pending) {
    writeRecordText(pathText, pending.text());
}

}  // namespace kelmar::engine
