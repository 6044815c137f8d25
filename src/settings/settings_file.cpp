#include "settings/settings_file.hpp"

#include <array>
#include <optional>

#include "platform/atomic_file_writer.hpp"
#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "platform/native_path.hpp"
#include "platform/platform_messages.hpp"
#include "settings/ini_file.hpp"
#include "settings/settings_messages.hpp"

namespace kelmar::settings {
namespace {

constexpr const char* kSection = "NFE";

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

// The file's current content; nothing when there is no file. A file that exists but
// cannot be read now (held open for writing by another program, no permission) is an
// error: carrying on with the defaults would answer into the wrong folder with numbers
// that collide with the real counters.
std::optional<std::string> readFileIfThere(const std::string& pathText) {
    std::error_code reason;
    auto file = platform::InputFile::open(pathText, reason, platform::LinkPolicy::Follow);
    if (!file) {
        if (reason == std::errc::no_such_file_or_directory ||
            reason == std::errc::not_a_directory) {
            return std::nullopt;
        }
        throw Error(formatMessage(platform::kCannotOpenFile, pathText));
    }
    return file->readRest();
}

}  // namespace

SettingsFile::SettingsFile(std::string pathText, std::string defaultExchangeFolder)
    : path_(std::move(pathText)), defaultExchangeFolder_(std::move(defaultExchangeFolder)) {}

void SettingsFile::load(SimulatorState& state) const {
    const auto content = readFileIfThere(path_);
    // A file cut to nothing (a crash while it was written, a full disk) would otherwise
    // start the counters again from the defaults and hand out numbers a second time.
    if (content && content->empty()) {
        throw Error(formatMessage(messages::kEmptySettings, path_));
    }
    const IniFile ini(content.value_or(std::string()));
    const std::array<std::string, kStateFieldCount> defaults = {
        kDefaultBatch, kDefaultReceipt, kDefaultProtocol, defaultExchangeFolder_};
    for (const auto& binding : kKeys) {
        const auto field = static_cast<std::size_t>(binding.field);
        state.setText(binding.field, ini.read(kSection, binding.key, defaults[field]));
    }
    loaded_ = true;
}

void SettingsFile::save(const SimulatorState& state) const {
    IniFile ini(*read());
    for (const auto& binding : kKeys) {
        ini.write(kSection, binding.key, state.text(binding.field));
    }
    const auto content = ini.content();
    // A linked settings file is saved through to its target, beside the target, so the
    // link stays a link.
    if (platform::isForbiddenFileName(platform::fileNamePart(path_)) ||
        !platform::replaceFileContent(platform::followLinks(platform::toNativePath(path_)),
                                      content)) {
        snapshot_.reset();
        throw Error(formatMessage(messages::kCannotWrite, path_));
    }
    remember(std::make_shared<const IniFile>(std::move(ini)), content);
}

std::shared_ptr<const IniFile> SettingsFile::read() const {
    // The version is looked at before the bytes are read: should the file change in
    // between, the newer bytes are kept under the older version, and the next read
    // reads them again.
    const auto identity = platform::identifyFileFollowingLinks(path_);
    if (snapshot_ && identity == snapshot_->identity &&
        (snapshot_->trusted || (snapshot_->watched && watch_ && watch_->unchangedSinceMark()))) {
        return snapshot_->ini;
    }
    // Marked before the bytes are read: a change made while they are read is told.
    const bool watched = watchUsable();
    if (watched) {
        watch_->mark(false);
    }
    auto content = readFileIfThere(path_);
    if (!content) {
        snapshot_.reset();
        ++readings_;
        return std::make_shared<const IniFile>();
    }
    // A version too fresh to be trusted is read at every use; while its bytes stay the
    // same, what was worked out from them stays too.
    if (!snapshot_ || snapshot_->content != *content) {
        ++readings_;
        auto ini = std::make_shared<const IniFile>(*content);
        snapshot_ = Snapshot{{}, false, std::move(*content), std::move(ini)};
    }
    snapshot_->trusted = identity && identity->size == snapshot_->content.size() &&
                         !platform::changedTooLately(*identity);
    snapshot_->watched = watched && identity && identity->size == snapshot_->content.size();
    if (identity) {
        snapshot_->identity = *identity;
    }
    return snapshot_->ini;
}

void SettingsFile::remember(std::shared_ptr<const IniFile> ini, std::string content) const {
    // What was just written, under the version now there; should another program have
    // written in between (the size tells), the next read compares the bytes.
    if (!watch_ || watch_->ended()) {
        watch_ = platform::watchFileChanges(platform::toNativePath(path_), notifier_);
    }
    // A plain file (no link) is the one the watch sees, and its own identity.
    const auto plain = platform::identifyFile(path_);
    const auto identity = plain ? plain : platform::identifyFileFollowingLinks(path_);
    const bool same = identity && identity->size == content.size();
    const bool watched = same && plain && watch_ && !watch_->ended();
    if (watched) {
        watch_->mark(true);
    }
    snapshot_ = Snapshot{same ? *identity : platform::FileIdentity{},
                         same && !platform::changedTooLately(*identity), std::move(content),
                         std::move(ini), watched};
}

bool SettingsFile::watchUsable() const {
    // The watch looks at the name in its folder: a link's target changes unseen there.
    return watch_ && !watch_->ended() && platform::identifyFile(path_).has_value();
}

}  // namespace kelmar::settings
