// How the skit player plays a video: the frames it shows of a clip against the frames in it, the CPU it
// takes to play the clip (scripts/bench sets it beside ffmpeg decoding the same file), and the time from
// opening a movie to its first frame drawn, for the video against a GIF.
//
//   player_bench CLIP.mp4 FRAMES MOVIE.gif    (FRAMES: how many frames the clip holds)
//
// Each picture is drawn as the player draws it, scaled into a screen-sized bitmap.
#include "support/Error.h"
#include "support/WinHandles.h"
#include "tools/skitplayer/GifMovie.h"
#include "tools/skitplayer/VideoMovie.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFirstFrameRuns = 5;
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double CpuSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
}

// A screen-sized bitmap to draw into, as the player's window draws.
class Screen {
public:
    Screen() : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kScreenWidth;
        info.bmiHeader.biHeight = -kScreenHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        old_ = SelectObject(dc_.Get(), bitmap_.Get());
    }
    ~Screen() { SelectObject(dc_.Get(), old_); }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    void Draw(Movie& movie) {
        movie.Draw(dc_.Get(), FitFrame(movie.Width(), movie.Height(), kScreenWidth, kScreenHeight));
        GdiFlush();
    }

private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ old_ = nullptr;
};

template <class Open>
double BestFirstFrameMs(Screen& screen, Open open) {
    double best = 1e9;
    for (int run = 0; run < kFirstFrameRuns; ++run) {
        const Clock::time_point start = Clock::now();
        std::unique_ptr<Movie> movie = open();
        for (std::uint64_t now = 0; !movie->Update(now) && !movie->Finished(); now += 5) {
        }
        screen.Draw(*movie);
        best = std::min(best, MsSince(start));
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: player_bench CLIP.mp4 FRAMES MOVIE.gif\n");
        return 2;
    }
    try {
        const std::string clip = argv[1];
        const long frames = std::strtol(argv[2], nullptr, 10);
        const std::string gif = argv[3];
        const GdiplusSession gdiplus;
        Screen screen;

        // The clip in real time, drawn at every new picture.
        VideoMovie movie(clip);
        const double cpuBefore = CpuSeconds();
        const Clock::time_point start = Clock::now();
        for (;;) {
            const auto now = static_cast<std::uint64_t>(MsSince(start));
            if (movie.Update(now)) {
                screen.Draw(movie);
            }
            if (movie.Finished()) {
                break;
            }
            Sleep(movie.WaitFrom(static_cast<std::uint64_t>(MsSince(start))));
        }
        const double cpu = CpuSeconds() - cpuBefore;
        std::printf("frames shown: %llu of %ld (%.3f; goal: at least 0.95), %llu dropped, in %.1f s\n",
                    static_cast<unsigned long long>(movie.FramesShown()), frames,
                    static_cast<double>(movie.FramesShown()) / static_cast<double>(frames),
                    static_cast<unsigned long long>(movie.FramesDropped()), MsSince(start) / 1000);
        std::printf("player CPU for the clip: %.2f s\n", cpu);

        const double video = BestFirstFrameMs(screen, [&] { return std::make_unique<VideoMovie>(clip); });
        const double still = BestFirstFrameMs(screen, [&] { return std::make_unique<GifMovie>(gif); });
        std::printf("first frame: video %.1f ms, GIF %.1f ms (%.2f times; goal: at most 1.2)\n", video, still,
                    video / still);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "player_bench: %s\n", error.what());
        return 1;
    }
}
