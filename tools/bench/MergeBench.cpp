// What merging a full skit list costs the disk: a list of 99 regular skits, each with its texts, merged
// into an ops file without skits, as a downloaded list is, then the catalogue closed. Prints the bytes
// and the write calls of the merge and of the close beside the size of the ops file they leave.
//
// Then what a long list costs the screen's time: lists of 2,000 and 20,000 entries (the 99 skits over
// and over, as a hostile list could send them) merged into that catalogue, each time and their ratio.
// Reading a list's entries takes the same time each, so ten times the entries take about ten times as long.
//
//   merge_bench [FOLDER]     (the files are made in FOLDER, by default the current folder, and removed)
#include "library/CatalogEnvironment.h"
#include "library/Paths.h"
#include "library/SkitCatalog.h"
#include "library/SkitFileWriters.h"
#include "support/DiskFile.h"
#include "support/LocalTime.h"
#include "support/System.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr int kSkits = 99;

class BenchEnvironment : public CatalogEnvironment {
public:
    explicit BenchEnvironment(const std::string& folder) : folder_(folder) {}
    std::string SkitsPath() const override { return folder_; }
    std::string DownloadPath() const override { return folder_; }
    std::string OpsFilePath() const override { return JoinPath(folder_, "merge_bench.ops"); }
    std::string LogPath() const override { return std::string(); }
    std::uint8_t SyncMethod() const override { return smManual; }
    FileTime Now() const override { return NowAsLocalFileTime(); }

private:
    std::string folder_;
};

std::vector<SkitRecord> ListOf(int entries) {
    std::vector<SkitRecord> skits;
    for (int i = 0; i < entries; ++i) {
        const int id = i % kSkits + 1;
        SkitRecord skit;
        skit.kind = skRegular;
        skit.id = id;
        skit.version = 1;
        skit.name.text = "Skit number " + std::to_string(id);
        skit.fileName.text = "skit" + std::to_string(id) + ".gif";
        skit.description.text = "A description of skit " + std::to_string(id) + ", as long as most are.";
        skit.url.text = "http://example.com/skits/skit" + std::to_string(id) + ".gif";
        skit.state = dsAvailable;
        skit.playsLeft = -1;
        skit.availableUntil = NowAsLocalFileTime() + 3650 * 864000000000ull;
        skits.push_back(skit);
    }
    return skits;
}

// Seconds to merge a list of that many entries into the catalogue.
double TimeMerge(SkitCatalog& catalog, const std::string& list, int entries) {
    SyncHeader header;
    header.listVersion = 1;
    header.listUrl.text = "http://example.com/skits/skits.syn";
    WriteSyncFile(list, header, ListOf(entries));
    const auto start = std::chrono::steady_clock::now();
    catalog.MergeDownloadedList(list);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* phase, const DiskFileCallCounts& before, std::uint64_t fileSize) {
    const DiskFileCallCounts now = DiskFileCalls();
    const std::uint64_t bytes = now.bytesWritten - before.bytesWritten;
    std::printf("%-8s %9llu bytes in %5llu write calls: %.2f times the ops file's %llu bytes\n", phase,
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(now.writes - before.writes),
                static_cast<double>(bytes) / static_cast<double>(fileSize), static_cast<unsigned long long>(fileSize));
}

} // namespace

int main(int argc, char** argv) {
    const BenchEnvironment environment(argc > 1 ? argv[1] : "");
    const std::string list = JoinPath(argc > 1 ? argv[1] : "", "merge_bench.syn");
    try {
        OpsHeader header;
        header.listUrl.text = "http://example.com/skits/skits.syn";
        header.listFileName.text = "merge_bench.syn";
        header.listIntervalDays = 7;
        WriteOpsFile(environment.OpsFilePath(), header, {});
        SyncHeader syncHeader;
        syncHeader.listVersion = 1;
        syncHeader.listUrl.text = header.listUrl.text;
        WriteSyncFile(list, syncHeader, ListOf(kSkits));

        SkitCatalog catalog(environment, nullptr, false);
        DiskFileCallCounts before = DiskFileCalls();
        catalog.MergeDownloadedList(list);
        const std::uint64_t merged = ReadWholeFile(environment.OpsFilePath()).size();
        Report("merge", before, merged);
        before = DiskFileCalls();
        catalog.Close();
        Report("close", before, ReadWholeFile(environment.OpsFilePath()).size());

        SkitCatalog again(environment, nullptr, false);
        const double small = TimeMerge(again, list, 2000);
        const double large = TimeMerge(again, list, 20000);
        std::printf("long lists: 2000 entries in %.3f s, 20000 in %.3f s: %.1f times as long (linear: 10)\n", small,
                    large, large / small);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "merge_bench: %s\n", error.what());
        sys::RemoveFile(environment.OpsFilePath());
        return 1;
    }
    sys::RemoveFile(environment.OpsFilePath());
    return 0;
}
