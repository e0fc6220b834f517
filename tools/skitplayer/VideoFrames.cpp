#include "tools/skitplayer/VideoFrames.h"

#include <algorithm>
#include <cstring>

namespace {

bool Starts(const std::uint8_t* head, std::size_t size, std::size_t at, const char* text) {
    const std::size_t length = std::strlen(text);
    return size >= at + length && std::memcmp(head + at, text, length) == 0;
}

std::uint8_t Clamp(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

} // namespace

MovieKind SniffMovie(const std::uint8_t* head, std::size_t size) {
    if (Starts(head, size, 0, "GIF87a") || Starts(head, size, 0, "GIF89a")) {
        return MovieKind::kGif;
    }
    for (const char* box : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot"}) {
        if (Starts(head, size, 4, box)) {
            return MovieKind::kVideo;
        }
    }
    // The ASF header object's GUID, 75B22630-668E-11CF-A6D9-00AA0062CE6C, as it lies in the file.
    static const std::uint8_t kAsfHeader[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    if (size >= sizeof kAsfHeader && std::memcmp(head, kAsfHeader, sizeof kAsfHeader) == 0) {
        return MovieKind::kVideo;
    }
    return MovieKind::kUnknown;
}

FrameTiming TimeFrame(std::int64_t start, std::int64_t duration, std::int64_t now, int droppedInARow) {
    if (now < start) {
        return FrameTiming::kWait;
    }
    return now < start + std::max<std::int64_t>(duration, 1) || droppedInARow >= kMostFramesDroppedInARow
               ? FrameTiming::kShow
               : FrameTiming::kDrop;
}

FrameSpan SpanOfFrame(std::int64_t timeTicks, std::int64_t durationTicks, std::int64_t previousEnd) {
    constexpr std::int64_t kTicksPerMs = 10000;
    FrameSpan span;
    span.start = std::min(timeTicks / kTicksPerMs, previousEnd + kLongestFrameMs);
    span.duration = std::clamp<std::int64_t>(durationTicks / kTicksPerMs, 0, kLongestFrameMs);
    return span;
}

void Nv12ToRgb32(const std::uint8_t* luma, const std::uint8_t* chroma, std::size_t stride, int width, int height,
                 std::uint32_t* pixels) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* lumaRow = luma + static_cast<std::size_t>(y) * stride;
        const std::uint8_t* chromaRow = chroma + static_cast<std::size_t>(y / 2) * stride;
        std::uint32_t* out = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            // Fixed point, 8 fractional bits: R = 1.164 (Y-16) + 1.596 (Cr-128), and so on.
            const int c = 298 * (lumaRow[x] - 16) + 128;
            const int d = chromaRow[(x / 2) * 2] - 128;
            const int e = chromaRow[(x / 2) * 2 + 1] - 128;
            out[x] = 0xFF000000u | static_cast<std::uint32_t>(Clamp((c + 409 * e) >> 8)) << 16 |
                     static_cast<std::uint32_t>(Clamp((c - 100 * d - 208 * e) >> 8)) << 8 | Clamp((c + 516 * d) >> 8);
        }
    }
}

std::uint64_t Nv12Bytes(std::size_t stride, int codedHeight, int width, int height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const std::uint64_t lumaBytes = std::uint64_t{stride} * static_cast<std::uint64_t>(codedHeight);
    const auto lastChromaRow = static_cast<std::uint64_t>((height - 1) / 2);
    const auto chromaRowBytes = static_cast<std::uint64_t>((width - 1) / 2 * 2 + 2);
    return lumaBytes + lastChromaRow * stride + chromaRowBytes;
}
