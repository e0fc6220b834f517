// A skit catalogue in a scratch folder, with a clock, settings and download jobs the test controls.
#pragma once

#include "library/SafeNames.h"
#include "library/SkitCatalog.h"
#include "library/SkitFileWriters.h"
#include "support/TraceLog.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace catalog_testing {

// 1 January 2025, noon, as a local FILETIME.
constexpr FileTime kNoon2025 = 133802064000000000ull;
constexpr FileTime kDay = 864000000000ull;
constexpr FileTime kFarFuture = kNoon2025 + 3650 * kDay;

class FakeEnvironment : public CatalogEnvironment {
public:
    std::string SkitsPath() const override { return skits; }
    std::string DownloadPath() const override { return downloads; }
    std::string OpsFilePath() const override { return opsFile; }
    std::string LogPath() const override { return log; }
    std::uint8_t SyncMethod() const override { return syncMethod; }
    FileTime Now() const override { return now; }
    std::vector<std::string> TrustedListKeys() const override { return listKeys; }

    std::string skits, downloads, opsFile, log;
    std::vector<std::string> listKeys;
    std::uint8_t syncMethod = smManual;
    FileTime now = kNoon2025;
};

struct StartedDownload {
    std::string url;
    std::string localFile;
    std::string displayName;
    NotifyWindow window;
    std::uint32_t largestBody;
    bool resumable;
};

// What the download jobs were asked to do, over the whole test.
struct JobLog {
    std::vector<StartedDownload> started;
    int jobsMade = 0;
    int jobsAlive = 0;
    int progressResets = 0;
    int cancels = 0;
    // What the jobs report, and whether they were told to ask before hanging up.
    DownloadSnapshot snapshot;
    bool askBeforeHangUp = false;
};

class FakeDownloadJob : public DownloadJob {
public:
    explicit FakeDownloadJob(JobLog& log) : log_(log) { ++log_.jobsMade, ++log_.jobsAlive; }
    ~FakeDownloadJob() override { --log_.jobsAlive; }
    void Start(const std::string& url, const std::string& localFile, const std::string& displayName,
               NotifyWindow window, std::uint32_t largestBody, bool resumable) override {
        log_.started.push_back({url, localFile, displayName, window, largestBody, resumable});
    }
    void Cancel() override { ++log_.cancels; }
    void ResetProgress() override { ++log_.progressResets; }
    DownloadSnapshot Snapshot() const override { return log_.snapshot; }
    void SetAskBeforeHangUp(bool ask) override { log_.askBeforeHangUp = ask; }

private:
    JobLog& log_;
};

// A skit as a list describes it, with every text set and a window that is open for years.
inline SkitRecord Skit(std::uint8_t kind, std::int32_t id, const std::string& fileName, std::uint32_t version = 1) {
    SkitRecord skit;
    skit.kind = kind;
    skit.id = id;
    skit.version = version;
    skit.name.text = "Skit " + std::to_string(id);
    skit.fileName.text = fileName;
    skit.description.text = "About skit " + std::to_string(id);
    skit.url.text = "http://example.com/skits/" + fileName;
    skit.state = dsAvailable;
    skit.play = pcNo;
    skit.playsLeft = -1;
    skit.availableFrom = kNoon2025 - 10 * kDay;
    skit.availableUntil = kFarFuture;
    return skit;
}

inline SkitRecord Downloaded(SkitRecord skit) {
    skit.state = dsDownloaded;
    skit.play = pcYes;
    return skit;
}

// Puts every skit of the catalogue into the state, as the settings grid would.
inline void ApplyAll(SkitCatalog& catalog, std::uint8_t state) {
    for (const std::uint8_t kind : {skSpecial, skRegular, skTimed}) {
        std::vector<GridRow> rows = catalog.ExportGridRows(kind);
        for (GridRow& row : rows) {
            row.state = state;
        }
        catalog.ApplyGridRows(rows, kind);
    }
}

class CatalogTest : public ::testing::Test {
protected:
    CatalogTest() {
        std::filesystem::create_directory(folder_ / "skits");
        std::filesystem::create_directory(folder_ / "downloads");
        environment_.skits = folder_ / "skits";
        environment_.downloads = folder_ / "downloads";
        environment_.opsFile = folder_ / "zolvane.ops";
        environment_.log = folder_ / "download.log";
        header_.listUrl.text = "http://example.com/skits.syn";
        header_.listFileName.text = "skits.syn";
        header_.listIntervalDays = 7;
        header_.lastListUpdate = kNoon2025 - kDay;
        TraceSetFile(folder_ / "trace.log", false);
    }
    ~CatalogTest() override { TraceUseDefaultFile(true); }

    // The trace log's lines as a level tag and a message: ".WARNING Skit 3 of ...".
    std::vector<std::string> Traced() const {
        std::vector<std::string> lines;
        for (const std::string& line : testing_files::ReadLines(folder_ / "trace.log")) {
            const std::string::size_type thread = line.find(" Thread=");
            const std::string::size_type message = line.find(' ', thread + 1);
            lines.push_back(line.substr(0, 9) + line.substr(message + 1));
        }
        return lines;
    }

    void WriteOps(const std::vector<SkitRecord>& records) { WriteOpsFile(environment_.opsFile, header_, records); }

    std::unique_ptr<SkitCatalog> Open(bool allowReadOnly = false) {
        return std::make_unique<SkitCatalog>(
            environment_, [this] { return std::make_unique<FakeDownloadJob>(jobs_); }, allowReadOnly);
    }

    // A skit list in the download folder, named as the ops header names it.
    std::string WriteList(const std::vector<SkitRecord>& skits, std::uint32_t listVersion = 1) {
        SyncHeader header;
        header.listVersion = listVersion;
        header.listUrl.text = "http://example.com/skits.syn";
        const std::string path = Downloads("skits.syn");
        WriteSyncFile(path, header, skits);
        return path;
    }

    void PutMovie(const std::string& name, const std::string& contents = "movie") {
        testing_files::WriteFile(Skits(name), contents);
    }
    std::string Skits(const std::string& name) const { return In("skits", name); }
    std::string Downloads(const std::string& name) const { return In("downloads", name); }
    std::string In(const std::string& subfolder, const std::string& name) const {
        return (std::filesystem::path(folder_ / subfolder) / name).string();
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(path); }

    testing_files::ScratchFolder folder_;
    FakeEnvironment environment_;
    OpsHeader header_;
    JobLog jobs_;
};

} // namespace catalog_testing
