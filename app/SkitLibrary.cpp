#include "app/SkitLibrary.h"

#include "host/Settings.h"
#include "library/SkitCatalog.h"
#include "net/WinInetDownloadJob.h"
#include "support/Error.h"

namespace {

// The catalogue's view of the settings and of the local clock.
class SettingsEnvironment : public CatalogEnvironment {
public:
    std::string SkitsPath() const override { return Settings.SkitsPath; }
    std::string DownloadPath() const override { return Settings.DownloadPath; }
    std::string OpsFilePath() const override { return Settings.OpsFilePath; }
    std::string LogPath() const override { return Settings.LogPath; }
    std::uint8_t SyncMethod() const override { return Settings.SyncMethod; }
    FileTime Now() const override { return NowAsLocalFileTime(); }
    std::vector<std::string> TrustedListKeys() const override { return Settings.ListKeys; }
};

} // namespace

SkitLibraryPtr OpenSkitLibrary(bool allowReadOnly) {
    // An installation that never named its data file gets the message that says what to do about it.
    if (Settings.OpsFilePath.empty()) {
        throw EZolvaneError(kDefaultStartupError);
    }
    static const SettingsEnvironment environment;
    return SkitLibraryPtr(new SkitCatalog(environment, InternetDownloadJobs(), allowReadOnly));
}
