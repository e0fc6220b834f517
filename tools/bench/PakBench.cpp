// How the pak container performs on a pak of the size the program keeps: 500 small texts written
// into a new pak, all rewritten longer (so that each moves to the end), and the compaction at close.
// Prints the time and the number of file calls of each phase.
//
//   pak_bench [FOLDER]     (the pak is made in FOLDER, by default the current folder, and removed)
#include "library/PakArchive.h"
#include "library/Paths.h"
#include "support/DiskFile.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

namespace {

constexpr int kResources = 500;

class Phase {
public:
    explicit Phase(const char* name) : name_(name), calls_(DiskFileCalls()), start_(Clock::now()) {}
    ~Phase() {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
        const DiskFileCallCounts now = DiskFileCalls();
        std::printf("%-32s %9.2f ms %7llu writes %7llu seeks %7llu reads\n", name_, ms,
                    static_cast<unsigned long long>(now.writes - calls_.writes),
                    static_cast<unsigned long long>(now.seeks - calls_.seeks),
                    static_cast<unsigned long long>(now.reads - calls_.reads));
        std::fflush(stdout);
    }

private:
    using Clock = std::chrono::steady_clock;
    const char* name_;
    DiskFileCallCounts calls_;
    Clock::time_point start_;
};

} // namespace

int main(int argc, char** argv) {
    const std::string path = JoinPath(argc > 1 ? argv[1] : "", "pak_bench.pak");
    try {
        PakArchive pak;
        {
            Phase phase("write 500 short texts");
            pak.Open(path, true, nullptr, sys::kGenericRead | sys::kGenericWrite);
            for (int id = 1; id <= kResources; ++id) {
                pak.WriteText(kPakPSTR, id, "skit " + std::to_string(id));
            }
        }
        {
            Phase phase("rewrite all 500 longer");
            for (int id = 1; id <= kResources; ++id) {
                pak.WriteText(kPakPSTR, id, "a longer text for skit number " + std::to_string(id));
            }
        }
        {
            Phase phase("close, compacting");
            pak.Close();
        }
        {
            Phase phase("open and read all 500");
            pak.Open(path, false, nullptr, sys::kGenericRead);
            for (int id = 1; id <= kResources; ++id) {
                pak.Read(kPakPSTR, id);
            }
            pak.Close();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pak_bench: %s\n", error.what());
        sys::RemoveFile(path);
        return 1;
    }
    sys::RemoveFile(path);
    return 0;
}
