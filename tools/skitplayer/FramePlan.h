// When each frame of a movie shows and where on the screen: the arithmetic of playing, apart from the
// window that does it, so that it can be checked on any platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A GIF frame delay, given in hundredths of a second, in milliseconds. Delays of 0 and 1 are read as
// 10 (100 ms), as web browsers read them: many GIFs carry them to mean "as fast as you like", and
// playing them at face value would flash the whole movie by.
std::uint32_t FrameDelayMs(std::uint32_t hundredths);

struct FrameBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where a frame of the given size is drawn in an area of the given size (the screen): scaled up or down,
// keeping its shape, until it fills the area's width or height, and centred on the other side.
FrameBox FitFrame(int frameWidth, int frameHeight, int areaWidth, int areaHeight);

// Plays a list of frame delays once. The clock starts at 0 when the first frame shows; every frame
// ends at the sum of its own delay and all before it, so late timer ticks do not add up over a movie.
// No frame is skipped: a frame shown late only shows for a shorter while.
class FrameClock {
public:
    explicit FrameClock(std::vector<std::uint32_t> delaysMs);

    std::size_t Frame() const { return frame_; }
    // True once the last frame's delay has run out.
    bool Finished() const { return frame_ >= delaysMs_.size(); }
    // The clock time at which the current frame ends.
    std::uint64_t FrameEndsAt() const { return frameEndsAt_; }
    // How long to wait from the given clock time until the current frame ends; at least 10 ms, the
    // shortest wait a window timer keeps.
    std::uint32_t WaitFrom(std::uint64_t now) const;
    // Moves on to the next frame, or to the end after the last one.
    void Advance();
    // The whole movie's length.
    std::uint64_t Length() const;

private:
    std::vector<std::uint32_t> delaysMs_;
    std::size_t frame_ = 0;
    std::uint64_t frameEndsAt_ = 0;
};
