#pragma once

#include <string>

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
    // no readable file.
    IniFile read() const;

    const std::string& path() const { return path_; }
    const std::string& defaultExchangeFolder() const { return defaultExchangeFolder_; }

  private:
    std::string path_;
    std::string defaultExchangeFolder_;
    // Whether the state holds what the file says; loading is a read of the file, so the
    // flag may change through a const object.
    mutable bool loaded_ = false;
};

}  // namespace kelmar::settings
