// A video, decoded by the system's Media Foundation through a source reader: MP4 (H.264 and AAC), M4V,
// MOV, WMV and whatever else the system's decoders take.
//
// The reader hands out NV12 pictures, the one form every H.264 decoder gives (Wine's among them); the
// movie turns them into 32-bit pixels itself (Nv12ToRgb32) and draws them with GDI. Frames show at
// their presentation times on the player's clock; a frame whose time has passed before it was shown is
// dropped, so a slow machine shows fewer frames rather than a movie that drifts. Pictures are scaled
// smoothly (HALFTONE) unless that takes more than half a frame's time. Only the first video
// stream is read; the sound track plays only through StartSound (SoundTrack).
#pragma once

#include "support/WinHandles.h"
#include "tools/skitplayer/EventLog.h"
#include "tools/skitplayer/Movie.h"
#include "tools/skitplayer/SoundTrack.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The system's text for a Media Foundation result, and the result itself: "... (0xC00D36C4)".
std::string MediaResultText(long result);
// A path as Media Foundation takes it.
std::wstring MediaPath(const std::string& path);

class VideoMovie : public Movie {
public:
    // Opens the movie; raises an EZolvaneError naming the file and the system's reason when Media
    // Foundation cannot open it or has no decoder for it.
    explicit VideoMovie(const std::string& path);
    ~VideoMovie() override;
    VideoMovie(const VideoMovie&) = delete;
    VideoMovie& operator=(const VideoMovie&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Update(std::uint64_t now) override;
    bool Finished() const override;
    std::uint32_t WaitFrom(std::uint64_t now) const override;
    void Draw(HDC dc, const FrameBox& box) override;
    // Starts the movie's sound track, when it has one, to play along with the pictures.
    void StartSound(EventLog& log);

    // How many of the movie's frames were shown and how many dropped, so far.
    std::uint64_t FramesShown() const { return shown_; }
    std::uint64_t FramesDropped() const { return dropped_; }

private:
    // Media Foundation, from a successful MFStartup to its MFShutdown.
    struct MediaFoundationTraits {
        using Value = bool;
        static Value Invalid() noexcept { return false; }
        static void Close(Value) noexcept { MFShutdown(); }
    };
    struct Pending {
        UniqueComInterface<IMFSample> sample;
        std::int64_t start = 0; // milliseconds
        std::int64_t duration = 0;
    };
    void ReadFormat();
    void ReadNext();
    void Show(IMFSample* sample);
    [[noreturn]] void Raise(const char* what, long result) const;

    std::string path_;
    // Let go in the reverse order: the frame, the sound, the reader, then Media Foundation and COM.
    UniqueComThread com_;
    UniqueResource<MediaFoundationTraits> mediaFoundation_;
    UniqueComInterface<IMFSourceReader> reader_;
    std::unique_ptr<SoundTrack> sound_;
    Pending pending_;
    bool streamEnded_ = false;
    std::int64_t shownUntil_ = 0;
    std::int64_t lastNow_ = 0;
    int width_ = 0;  // shown
    int height_ = 0; // shown
    int codedHeight_ = 0;
    std::size_t stride_ = 0;
    std::vector<std::uint32_t> pixels_;
    bool havePicture_ = false;
    std::int64_t frameMs_ = 33; // a frame's time, as the movie's frames last told
    double averageDrawMs_ = 0;
    int drawsTimed_ = 0;
    bool plainScaling_ = false;
    std::uint64_t shown_ = 0;
    std::uint64_t dropped_ = 0;
};
