// How the download job performs against a skit server: the throughput of a 200 MB download through the
// job next to a bare WinINet loop of 8 KB reads, how long a cancel of a stalled transfer takes to bring
// the completion message, over 100 cancels, and how many bytes a 50 MB movie cut at half needs to be
// finished, as a share of the movie (the goal: at most 0.55).
//
// Run it against skitserver.py under Wine, for example:
//   scripts/wine-env sh -c 'mkdir -p /tmp/root && cmake/skit-server start /tmp/root /tmp/port &&
//       wine build/win64/tools/net_bench.exe http://127.0.0.1:$(cat /tmp/port); cmake/skit-server stop /tmp/port'
//
//   net_bench BASE_URL [FOLDER]    (BASE_URL as http://127.0.0.1:PORT of a running skitserver.py; the
//                                   downloads go to FOLDER, by default the current folder, and are removed)
#include "library/Paths.h"
#include "library/ResumeRecord.h"
#include "net/WinInetDownloadJob.h"
#include "support/DiskFile.h"
#include "support/System.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kBodySize = 209715200;
constexpr std::uint32_t kResumedSize = 52428800;
constexpr int kCancels = 100;
// Each throughput is the best of this many runs: the machine's other work only ever slows a run down.
constexpr int kRuns = 3;
constexpr DWORD kReadSize = 8192;
constexpr UINT kDoneMessage = kDownloadDoneMessage;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A message-only window that notes the completion messages.
class Listener {
public:
    Listener() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Listener::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ZolvaneNetBench";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "ZolvaneNetBench", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    ~Listener() { DestroyWindow(window_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    HWND Window() const { return window_; }

    // Handles messages until the completion message; its last parameter.
    LPARAM WaitForDone() {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.hwnd == window_ && message.message == kDoneMessage) {
                return message.lParam;
            }
            DispatchMessageA(&message);
        }
        return -1;
    }

    // Handles messages until the condition holds.
    template <class Condition>
    void PumpUntil(Condition condition) {
        while (!condition()) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&message);
            }
            Sleep(1);
        }
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM first, LPARAM last) {
        return DefWindowProcA(window, message, first, last);
    }

    HWND window_ = nullptr;
};

DialUpProvider NoDialUp() {
    return [] { return std::unique_ptr<DialUpConnections>(); };
}

template <class Run>
double Best(Run run) {
    double best = run();
    for (int i = 1; i < kRuns; ++i) {
        best = std::min(best, run());
    }
    return best;
}

void PrintRate(const char* name, double seconds) {
    std::printf("%-46s %8.2f s %9.1f MB/s\n", name, seconds, kBodySize / seconds / 1e6);
    std::fflush(stdout);
}

// The job's whole download of the body into a file.
double JobDownload(const std::string& url, const std::string& file) {
    Listener listener;
    WinInetDownloadJob job(NoDialUp());
    const Clock::time_point start = Clock::now();
    job.StartDownload(url, file, 0, kDoneMessage, listener.Window(), "Benchmark");
    if (listener.WaitForDone() != 0) {
        throw std::runtime_error("the job's download failed: " + job.Snapshot().failReason);
    }
    const double seconds = SecondsSince(start);
    sys::RemoveFile(file);
    return seconds;
}

// The body through the HTTP client alone, on this thread.
double ClientDownload(const std::string& url, const std::string& file) {
    const Clock::time_point start = Clock::now();
    {
        TSimpleHTTP http;
        DiskFile out;
        out.Create(file, FILE_ATTRIBUTE_NORMAL, 0);
        DiskFileSink sink(out);
        http.Get(url, sink);
    }
    const double seconds = SecondsSince(start);
    sys::RemoveFile(file);
    return seconds;
}

// The body read with nothing but WinINet, 8 KB at a time, into a file when one is named.
double BareDownload(const std::string& url, const std::string& file) {
    const Clock::time_point start = Clock::now();
    UniqueInternet internet(InternetOpenA("net_bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    UniqueInternet request(InternetOpenUrlA(internet.Get(), url.c_str(), nullptr, 0,
                                            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) {
        throw std::runtime_error("the bare request failed");
    }
    DiskFile out;
    if (!file.empty()) {
        out.Create(file, FILE_ATTRIBUTE_NORMAL, 0);
    }
    std::vector<char> buffer(kReadSize);
    std::uint64_t total = 0;
    DWORD read = 0;
    while (InternetReadFile(request.Get(), buffer.data(), kReadSize, &read) && read > 0) {
        if (out.IsOpen()) {
            out.Write(buffer.data(), read);
        }
        total += read;
    }
    out.Close();
    const double seconds = SecondsSince(start);
    if (!file.empty()) {
        sys::RemoveFile(file);
    }
    if (total != kBodySize) {
        throw std::runtime_error("the bare loop read " + std::to_string(total) + " bytes");
    }
    return seconds;
}

// From DownloadJob::Cancel to the completion message, while the worker waits for a server that has sent
// the headers and nothing more.
std::vector<double> CancelTimes(const std::string& url, const std::string& file) {
    Listener listener;
    std::vector<double> times;
    for (int round = 0; round < kCancels; ++round) {
        WinInetDownloadJob job(NoDialUp());
        job.StartDownload(url, file, 0, kDoneMessage, listener.Window(), "Stalled");
        listener.PumpUntil([&] { return job.Snapshot().statusText == "Stalled"; });
        Sleep(static_cast<DWORD>(round * 37 % 150)); // into the wait, at a different point each time
        const Clock::time_point start = Clock::now();
        static_cast<DownloadJob&>(job).Cancel();
        if (listener.WaitForDone() != 1) {
            throw std::runtime_error("a cancelled download did not fail");
        }
        times.push_back(SecondsSince(start) * 1000);
    }
    std::sort(times.begin(), times.end());
    return times;
}

// A movie that the server cuts at half, fetched again by a resumable transfer of the same address: the
// body bytes that the second transfer fetched to finish it.
std::uint32_t BytesToFinishACutMovie(const std::string& base, const std::string& file) {
    const std::string url = base + "/generated/" + std::to_string(kResumedSize) + "?fault=short";
    Listener listener;
    {
        WinInetDownloadJob job(NoDialUp());
        job.StartDownload(url, file, 0, kDoneMessage, listener.Window(), "Cut", kLargestBody, true);
        if (listener.WaitForDone() != 1) {
            throw std::runtime_error("the server did not cut the movie");
        }
    }
    WinInetDownloadJob job(NoDialUp());
    job.StartDownload(url, file, 0, kDoneMessage, listener.Window(), "Resumed", kLargestBody, true);
    if (listener.WaitForDone() != 0) {
        throw std::runtime_error("the resumed download failed: " + job.Snapshot().failReason);
    }
    DiskFile movie;
    movie.Open(file, sys::kGenericRead, sys::kShareRead);
    const std::uint64_t size = movie.Size();
    movie.Close();
    sys::RemoveFile(file);
    sys::RemoveFile(ResumeRecordPath(file));
    if (size != kResumedSize) {
        throw std::runtime_error("the resumed movie has " + std::to_string(size) + " bytes");
    }
    return static_cast<std::uint32_t>(job.Manager().HTTP.Progress().BytesDone);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: net_bench BASE_URL [FOLDER]\n");
        return 2;
    }
    const std::string base = argv[1];
    const std::string file = JoinPath(argc > 2 ? argv[2] : "", "net_bench.bin");
    const std::string body = base + "/generated/" + std::to_string(kBodySize);
    try {
        std::printf("200 MB (%u bytes) from %s, best of %d runs each\n", kBodySize, body.c_str(), kRuns);
        const double bare = Best([&] { return BareDownload(body, ""); });
        PrintRate("bare WinINet loop, 8 KB reads, no file", bare);
        const double bareToFile = Best([&] { return BareDownload(body, file); });
        PrintRate("bare WinINet loop, 8 KB reads, into a file", bareToFile);
        PrintRate("HTTP client (TSimpleHTTP::Get), into a file", Best([&] { return ClientDownload(body, file); }));
        const double job = Best([&] { return JobDownload(body, file); });
        PrintRate("download job (WinInetDownloadJob), into a file", job);
        std::printf("download job / bare loop into a file: %.2f of its throughput\n", bareToFile / job);
        std::printf("download job / bare loop without a file: %.2f of its throughput\n", bare / job);
        const std::vector<double> times = CancelTimes(base + "/generated/1000?fault=stall&after=0&hold=60", file);
        std::printf("cancel of a stalled transfer to its completion message, %d cancels: min %.1f ms, median "
                    "%.1f ms, max %.1f ms\n",
                    kCancels, times.front(), (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2, times.back());
        const std::uint32_t fetched = BytesToFinishACutMovie(base, file);
        std::printf("bytes fetched to finish a 50 MB movie cut at half: %u of %u, %.2f of the movie (goal: at most "
                    "0.55)\n",
                    fetched, kResumedSize, static_cast<double>(fetched) / kResumedSize);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "net_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
