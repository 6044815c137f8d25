#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/change_notifier.hpp"
#include "platform/file_change_watch.hpp"
#include "platform/file_identity.hpp"
#include "settings/ini_file.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::settings {

inline constexpr const char* kDefaultBatch = "204";
inline constexpr const char* kDefaultReceipt = "159092";
inline constexpr const char* kDefaultProtocol = "589900";

// The settings file: section "NFE" with the keys LOTE, RECIBO, PROTOCOLO and PASTA.
// The path is a Windows-1252 path text, like every path inside the system.
class SettingsFile {
  public:
    SettingsFile(std::string pathText, std::string defaultExchangeFolder);

    // Puts the four stored values (or their defaults) into the state. A missing file is
    // not an error: the defaults are shown. A file that exists but cannot be read now
    // raises "Não é possível abrir o arquivo %s" and leaves the state as it was.
    void load(SimulatorState& state) const;

    // Writes all four texts of the state. The file is replaced atomically, so a crash
    // never leaves it torn (in place only when its folder takes no new file; through to
    // the target when it is a link). Raises "Incapaz de gravar para %s" when the system
    // refuses, and the open error when the current file exists but cannot be read.
    void save(const SimulatorState& state) const;

    // True once a load has succeeded (the defaults of a missing file count).
    bool loaded() const { return loaded_; }
    // The whole file as it is now, for sections other than "NFE"; empty when there is
    // no readable file. The file is read again only when it is another version than the
    // one read last (identity, size, modification time): an unchanged file costs one
    // look at its entry, and gives the very same object, so what was worked out from it
    // can be kept too.
    std::shared_ptr<const IniFile> read() const;
    // Changes whenever read() found other bytes than it had. A save leaves it as
    // it is: it changes only the counters' section, so what was worked out from the
    // other sections stays true.
    std::uint64_t readings() const { return readings_; }

    const std::string& path() const { return path_; }
    const std::string& defaultExchangeFolder() const { return defaultExchangeFolder_; }

    // The file's watch is made through this channel from now on.
    void shareNotifications(std::shared_ptr<platform::ChangeNotifier> notifier) {
        notifier_ = std::move(notifier);
    }

  private:
    std::string path_;
    std::string defaultExchangeFolder_;
    // Whether the state holds what the file says; loading is a read of the file, so the
    // flag may change through a const object.
    mutable bool loaded_ = false;

    // The file as last read or written, and which version of it that was; a version
    // changed too lately to tell from a later one of the same size is not trusted.
    struct Snapshot {
        platform::FileIdentity identity;
        bool trusted = false;
        std::string content;
        std::shared_ptr<const IniFile> ini;
        // The watch was marked as this version was read or written: while it tells no
        // change, the version is trusted however fresh it is.
        bool watched = false;
    };
    mutable std::optional<Snapshot> snapshot_;
    // Started by the first save (a run that saves nothing needs none), for a file that is
    // no link; nothing where the system tells no changes.
    mutable std::unique_ptr<platform::FileChangeWatch> watch_;
    std::shared_ptr<platform::ChangeNotifier> notifier_;
    bool watchUsable() const;
    mutable std::uint64_t readings_ = 0;
    void remember(std::shared_ptr<const IniFile> ini, std::string content) const;
};

}  // namespace kelmar::settings
