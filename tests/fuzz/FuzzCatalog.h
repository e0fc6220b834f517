// What the catalogue fuzzers share: a scratch installation of this process's own (an ops file with a
// skits folder and a downloads folder beside it), the environment the catalogue reads it through, and
// the reading calls the show and the settings dialog make.
//
// Every input must end in a catalogue or a clean std::exception; a crash, a leak, a hang or undefined
// behaviour is a finding. So is an ops file that the catalogue opened and saved without complaint but
// cannot open again: that would lose the user's catalogue.
#pragma once

#include "library/SkitCatalog.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace catalog_fuzzing {

// 1 January 2025, noon, as a local FILETIME: the skits of the seeds are available then.
constexpr FileTime kNoon2025 = 133802064000000000ull;

// The movies that the seeds' skits name; the catalogue plays a skit only when its movie is there.
constexpr const char* kMovies[] = {"a.gif", "b.gif", "c.gif", "s.gif", "t.gif"};

inline void WriteBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

class FuzzEnvironment : public CatalogEnvironment {
public:
    explicit FuzzEnvironment(std::uint8_t syncMethod) : syncMethod_(syncMethod) {
        const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        folder_ = std::filesystem::path(shm) / ("zolvane-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_ / "skits");
        std::filesystem::create_directories(folder_ / "downloads");
    }
    ~FuzzEnvironment() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    FuzzEnvironment(const FuzzEnvironment&) = delete;
    FuzzEnvironment& operator=(const FuzzEnvironment&) = delete;

    std::string SkitsPath() const override { return (folder_ / "skits").string(); }
    std::string DownloadPath() const override { return (folder_ / "downloads").string(); }
    std::string OpsFilePath() const override { return (folder_ / "zolvane.ops").string(); }
    std::string LogPath() const override { return (folder_ / "download.log").string(); }
    std::uint8_t SyncMethod() const override { return syncMethod_; }
    FileTime Now() const override { return kNoon2025; }

    // Puts the movies back (opening purges the movies of used-up skits) and leaves nothing else in the
    // skits and downloads folders, so that one input cannot change what the next one meets.
    void ResetFolders() const {
        for (const char* subfolder : {"skits", "downloads"}) {
            for (const auto& entry : std::filesystem::directory_iterator(folder_ / subfolder)) {
                std::filesystem::remove_all(entry.path());
            }
        }
        for (const char* movie : kMovies) {
            WriteBytes((folder_ / "skits" / movie).string(), "GIF89a", 6);
        }
    }

private:
    std::filesystem::path folder_;
    std::uint8_t syncMethod_;
};

// What the show and the settings dialog read from an open catalogue.
inline void ReadAsTheProgramDoes(SkitCatalog& catalog) {
    for (int pick = 0; pick < 5; ++pick) {
        catalog.ChooseNextSkit();
        if (const SkitRecord* current = catalog.CurrentSkit()) {
            catalog.CurrentKeyAction(current->keyCode);
        }
    }
    for (const std::uint8_t kind : {skSpecial, skRegular, skTimed}) {
        for (const GridRow& row : catalog.ExportGridRows(kind)) {
            catalog.SkitFileName(kind, row.id);
            catalog.SkitState(kind, row.id);
        }
        catalog.CountKind(kind);
    }
    catalog.CountSkits(kAnyKind, dsScheduled);
    catalog.IsListUpdateDue();
}

// An ops file that the catalogue has just saved must open again.
inline void RequireReopens(const CatalogEnvironment& environment) {
    try {
        SkitCatalog again(environment, DownloadJobFactory(), false);
        again.Close();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "A saved ops file does not open again: %s\n", error.what());
        std::abort();
    }
}

} // namespace catalog_fuzzing
