#include "settings/settings_file.hpp"

#include <array>

#include "platform/atomic_file_writer.hpp"
#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "settings/ini_file.hpp"

namespace kelmar::settings {
namespace {

constexpr const char* kSection = "NFE";
// "Incapaz de gravar para %s" in Windows-1252.
constexpr const char* kCannotWrite = "Incapaz de gravar para %s";

struct KeyBinding {
    const char* key;
    StateField field;
};

constexpr std::array<KeyBinding, kStateFieldCount> kKeys = {{
    {"LOTE", StateField::Batch},
    {"RECIBO", StateField::Receipt},
    {"PROTOCOLO", StateField::Protocol},
    {"PASTA", StateField::ExchangeFolder},
}};

// The file's current content, or nothing when there is no readable file.
std::string readWholeFile(const std::string& pathText) {
    std::string content;
    auto file = platform::InputFile::open(pathText);
    if (!file) {
        return content;
    }
    std::array<char, 16384> buffer;
    for (;;) {
        const auto n = file->read(buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        content.append(buffer.data(), n);
    }
    return content;
}

}  // namespace

SettingsFile::SettingsFile(std::string pathText, std::string defaultExchangeFolder)
    : path_(std::move(pathText)), defaultExchangeFolder_(std::move(defaultExchangeFolder)) {}

void SettingsFile::load(SimulatorState& state) const {
    const IniFile ini(readWholeFile(path_));
    const std::array<std::string, kStateFieldCount> defaults = {
        kDefaultBatch, kDefaultReceipt, kDefaultProtocol, defaultExchangeFolder_};
    for (const auto& binding : kKeys) {
        const auto field = static_cast<std::size_t>(binding.field);
        state.setText(binding.field, ini.read(kSection, binding.key, defaults[field]));
    }
}

void SettingsFile::save(const SimulatorState& state) const {
    IniFile ini(readWholeFile(path_));
    for (const auto& binding : kKeys) {
        ini.write(kSection, binding.key, state.text(binding.field));
    }
    const auto content = ini.content();
    auto writer = platform::AtomicFileWriter::create(path_);
    if (!writer || writer->write(content.data(), content.size()) != content.size() ||
        !writer->commit()) {
        throw Error(formatMessage(kCannotWrite, path_));
    }
}

IniFile SettingsFile::read() const {
    return IniFile(readWholeFile(path_));
}

}  // namespace kelmar::settings
