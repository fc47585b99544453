#pragma once
// The [Program] section of settings.cfg: the program's own settings. Every read
// goes to the file (nothing is cached), so a change made anywhere is seen by the
// next read. A missing file or key gives the documented default. Writes throw
// FileWriteError ("Unable to write to " + path) when the file cannot be written.

#include <string>
#include <string_view>

#include "core/ini_file.h"

namespace pallisar {

class ProgramSettings {
  public:
    static constexpr const char* kFileName = "settings.cfg";
    static constexpr const char* kSection = "Program";

    // `programDir` ends with a path delimiter.
    explicit ProgramSettings(std::string programDir);

    // settings.cfg in the program directory, whatever its letter case on disk.
    std::string Path() const;
    // The whole file, for the preset sections and the upgrade.
    IniFile File() const { return IniFile(Path()); }

    // Restore the driver's previous values after a game (default true).
    bool ResetSettings() const;
    void SetResetSettings(bool on);
    // Keep a log file (default false).
    bool GenerateLog() const;
    void SetGenerateLog(bool on);
    // 0 large icons, 1 small icons, 2 list, 3 details (default 0; other numbers are
    // returned as stored, the caller ignores them).
    int ViewStyle() const;
    void SaveViewStyle(int style);
    // The stored version stamp as text (default "0.9").
    std::string Version() const;
    void SetVersion(std::string_view version);
    // Ends of the level-of-detail bias choices, as stored (defaults "2" and "-2").
    std::string LODHighRange() const;
    std::string LODLowRange() const;
    void SetLODHighRange(std::string_view value);
    void SetLODLowRange(std::string_view value);
    // Removes the obsolete VideoCard key.
    void DeleteVideoCard();

  private:
    std::string dir_;
};

}  // namespace pallisar
