// The arithmetic of playing a video, apart from the system that decodes it: what kind of movie a file
// holds, when a decoded frame shows, and how a decoded NV12 picture becomes 32-bit pixels.
#pragma once

#include <cstddef>
#include <cstdint>

enum class MovieKind { kGif, kVideo, kUnknown };

// The kind of movie that a file's first bytes announce: a GIF ("GIF87a", "GIF89a"); a video in an ISO
// media file (MP4, M4V, MOV: a box such as "ftyp", "moov", "mdat", "free", "skip" or "wide" at the start)
// or in an ASF file (WMV). Anything else is unknown, whatever its extension.
MovieKind SniffMovie(const std::uint8_t* head, std::size_t size);

// The bytes SniffMovie needs to look at.
constexpr std::size_t kMovieSniffBytes = 16;

enum class FrameTiming {
    kWait, // its time has not come
    kShow, // it is the frame of this moment
    kDrop, // its time has passed: a later frame is already due
};
// The most frames dropped one after another before a late one is shown all the same: a machine that
// decodes slower than the movie plays still shows a picture now and then, and the player's window
// still answers its messages between them.
constexpr int kMostFramesDroppedInARow = 15;
// What becomes of a decoded frame that shows from start for duration (milliseconds on the movie's clock)
// when the clock stands at now and the frames dropped just before it number droppedInARow. A frame of
// no known duration counts as 1 ms long, so a late one is dropped rather than delaying every frame
// after it.
FrameTiming TimeFrame(std::int64_t start, std::int64_t duration, std::int64_t now, int droppedInARow = 0);

// The longest a video frame shows, and the longest gap before the next: as long as a GIF frame's
// longest delay, so that a movie that claims a frame of hours or days still comes to its end.
constexpr std::int64_t kLongestFrameMs = 655350;
struct FrameSpan {
    std::int64_t start = 0; // milliseconds
    std::int64_t duration = 0;
};
// The span of a decoded frame from its time and duration in 100 ns units, the previous frames having
// shown until previousEnd (milliseconds): a negative duration counts as none, and neither the
// duration nor the gap after previousEnd is longer than kLongestFrameMs.
FrameSpan SpanOfFrame(std::int64_t timeTicks, std::int64_t durationTicks, std::int64_t previousEnd);

// Converts an NV12 picture (a plane of luma bytes, then a plane of interleaved Cb and Cr at half the
// resolution both ways, both with the given stride) into top-down 32-bit pixels 0xAARRGGBB, as a DIB
// section holds them; video levels 16 to 235, BT.601 colours. Odd widths and heights round the chroma
// plane up.
void Nv12ToRgb32(const std::uint8_t* luma, const std::uint8_t* chroma, std::size_t stride, int width, int height,
                 std::uint32_t* pixels);

// The bytes an NV12 buffer must hold for Nv12ToRgb32 to convert width by height pixels of it, when its
// luma plane is codedHeight lines of stride bytes and its chroma plane follows: up to the last chroma
// pair the picture's last line reads, which for an odd width lies one byte past the width.
std::uint64_t Nv12Bytes(std::size_t stride, int codedHeight, int width, int height);
