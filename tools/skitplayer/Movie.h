// A movie as the player's window plays it: a picture that changes with the clock, until the end.
#pragma once

#include "tools/skitplayer/FramePlan.h"

#include <windows.h>

#include <cstdint>

class Movie {
public:
    virtual ~Movie() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Brings the picture to the clock time (milliseconds since the movie began); true when it changed.
    // Raises an EZolvaneError when the movie cannot be decoded.
    virtual bool Update(std::uint64_t now) = 0;
    // True once the movie has played to its end, as of the last Update.
    virtual bool Finished() const = 0;
    // How long from the clock time until the picture next changes or the movie ends; at least 10 ms,
    // the shortest wait a window timer keeps.
    virtual std::uint32_t WaitFrom(std::uint64_t now) const = 0;
    // Draws the current picture into the rectangle, scaled to it.
    virtual void Draw(HDC dc, const FrameBox& box) = 0;
};
