// The settings: paths that the installation keeps for all users, and the user's own two choices.
//
// The process-wide object `Settings` is made and loaded during static initialisation, so every run mode
// finds it filled in. Only the settings dialog saves, and it saves the user's two choices only.
#pragma once

// SyncMethodKind: the skit catalogue reads the choice too.
#include "library/CatalogEnvironment.h"

#include <cstdint>
#include <string>
#include <vector>

enum SoundMode : std::uint8_t { sndAlways = 0, sndOnce = 1, sndNever = 2 };

// Under HKEY_LOCAL_MACHINE (read only) and HKEY_CURRENT_USER alike.
constexpr const char* kSettingsKeyPath = "Software\\Osterwyn\\Zolvane";

class TSettings {
public:
    // Starts from the defaults (empty texts, both numbers 0), then loads.
    TSettings();

    // Reads the machine-wide paths and then the user's choices. A value that cannot be read stops the
    // loading there and is reported in a message box; what was read before it stays.
    void Load();
    // Writes Sound and SyncMethod for the current user, creating the key when needed. A key that cannot
    // be opened or created raises, and so does a write that fails.
    void Save();

    std::string DownloadPath;
    std::string OpsFilePath;
    std::string Player;
    std::string HelpFilePath;
    std::string SkitsPath;
    std::string LogPath;
    // The public keys (one base64 line each) whose signature a skit list must carry; none: lists need no
    // signature. Machine-wide only.
    std::vector<std::string> ListKeys;
    // The low 8 bits of the stored numbers.
    SoundMode Sound = sndAlways;
    SyncMethodKind SyncMethod = smAutomatic;
    // Lets the show's automatic downloads run on a metered connection too. Set in the registry only
    // (REG_DWORD, nonzero for yes): the dialog neither shows nor saves it, and a value that is missing or
    // cannot be read as a number means no, without a word.
    bool DownloadOnMetered = false;
};

extern TSettings Settings;
