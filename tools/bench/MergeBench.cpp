// What merging a full skit list costs the disk: a list of 99 regular skits, each with its texts, merged
// into an ops file without skits, as a downloaded list is, then the catalogue closed. Prints the bytes
// and the write calls of the merge and of the close beside the size of the ops file they leave.
//
//   merge_bench [FOLDER]     (the files are made in FOLDER, by default the current folder, and removed)
#include "library/CatalogEnvironment.h"
#include "library/Paths.h"
#include "library/SkitCatalog.h"
#include "library/SkitFileWriters.h"
#include "support/DiskFile.h"
#include "support/LocalTime.h"
#include "support/System.h"

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
        std::vector<SkitRecord> skits;
        for (int id = 1; id <= kSkits; ++id) {
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
        SyncHeader syncHeader;
        syncHeader.listVersion = 1;
        syncHeader.listUrl.text = header.listUrl.text;
        WriteSyncFile(list, syncHeader, skits);

        SkitCatalog catalog(environment, nullptr, false);
        DiskFileCallCounts before = DiskFileCalls();
        catalog.MergeDownloadedList(list);
        const std::uint64_t merged = ReadWholeFile(environment.OpsFilePath()).size();
        Report("merge", before, merged);
        before = DiskFileCalls();
        catalog.Close();
        Report("close", before, ReadWholeFile(environment.OpsFilePath()).size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "merge_bench: %s\n", error.what());
        sys::RemoveFile(environment.OpsFilePath());
        return 1;
    }
    sys::RemoveFile(environment.OpsFilePath());
    return 0;
}
