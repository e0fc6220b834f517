#include "host/Settings.h"

#include "gui/Application.h"
#include "host/Registry.h"
#include "support/Error.h"

#include <exception>
#include <string>

TSettings Settings;

namespace {

// A yes-or-no that only an administrator or a careful user sets by hand: whatever is not a nonzero number
// is no, and not worth a box.
bool ReadFlag(const TRegistry& registry, const char* name) {
    try {
        return registry.ValueExists(name) && registry.ReadInteger(name) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

TSettings::TSettings() { Load(); }

void TSettings::Load() {
    TRegistry registry;
    try {
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (registry.OpenKeyReadOnly(kSettingsKeyPath)) {
            const struct {
                const char* name;
                std::string* field;
            } paths[] = {{"Player", &Player},
                         {"SkitsPath", &SkitsPath},
                         {"OpsFilePath", &OpsFilePath},
                         {"DownloadPath", &DownloadPath},
                         {"HelpFilePath", &HelpFilePath},
                         {"LogPath", &LogPath}};
            for (const auto& path : paths) {
                if (registry.ValueExists(path.name)) {
                    *path.field = registry.ReadString(path.name);
                }
            }
            if (registry.ValueExists("ListKeys")) {
                // A value that names keys and cannot be read still means that lists must be signed: by a
                // key that matches none.
                ListKeys = {"?"};
                ListKeys = registry.ReadStrings("ListKeys");
            }
            registry.CloseKey();
        }
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (registry.OpenKeyReadOnly(kSettingsKeyPath)) {
            if (registry.ValueExists("Sound")) {
                Sound = static_cast<SoundMode>(registry.ReadInteger("Sound") & 0xFF);
            }
            if (registry.ValueExists("SyncMethod")) {
                SyncMethod = static_cast<SyncMethodKind>(registry.ReadInteger("SyncMethod") & 0xFF);
            }
            DownloadOnMetered = ReadFlag(registry, "DownloadOnMetered");
            registry.CloseKey();
        }
    } catch (const std::exception& error) {
        Application().ShowMessage(std::string("Exception reading registry! ") + error.what());
    } catch (...) {
        Application().ShowMessage("Exception reading registry!");
    }
}

void TSettings::Save() {
    const ScopedWaitCursor hourglass;
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    // The user's choices would be lost without a word: the dialog shows this and stays open.
    if (!registry.OpenKey(kSettingsKeyPath, true)) {
        throw EZolvaneError(std::string("The settings key HKEY_CURRENT_USER\\") + kSettingsKeyPath +
                            " cannot be opened or created.");
    }
    registry.WriteInteger("Sound", Sound);
    registry.WriteInteger("SyncMethod", SyncMethod);
}
