// An animated GIF, decoded by GDI+, played one frame at a time.
#pragma once

#include "tools/skitplayer/FramePlan.h"
#include "tools/skitplayer/GdiplusHandles.h"
#include "tools/skitplayer/Movie.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// GDI+ for the life of the object; every GDI+ call of the program happens inside it.
class GdiplusSession {
public:
    // Raises an EZolvaneError when GDI+ does not start.
    GdiplusSession();

private:
    UniqueGdiplusToken token_;
};

// Every frame shows for its whole delay, however late the timer comes: no frame is skipped.
class GifMovie : public Movie {
public:
    // Reads the whole file and checks that GDI+ can decode it; raises an EZolvaneError whose text says
    // what is wrong with the movie (missing, unreadable, not a GIF, damaged). The first frame is selected.
    explicit GifMovie(const std::string& path);

    std::size_t FrameCount() const { return delaysMs_.size(); }
    // Each frame's delay, with the short delays read as FrameDelayMs reads them.
    const std::vector<std::uint32_t>& DelaysMs() const { return delaysMs_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Update(std::uint64_t now) override;
    bool Finished() const override { return clock_ && clock_->Finished(); }
    std::uint32_t WaitFrom(std::uint64_t now) const override { return clock_ ? clock_->WaitFrom(now) : 10; }

    // Makes the frame the one that Draw draws; raises when GDI+ cannot decode it.
    void SelectFrame(std::size_t frame);
    // Draws the selected frame into the rectangle, scaled to it.
    void Draw(HDC dc, const FrameBox& box) override;

private:
    [[noreturn]] void RaiseDamaged(Gdiplus::Status status) const;

    std::string path_;
    // GDI+ reads the movie from this stream for as long as the image lives, so it is declared first
    // and destroyed last.
    UniqueStream stream_;
    UniqueGdiplusImage image_;
    std::vector<std::uint32_t> delaysMs_;
    std::unique_ptr<FrameClock> clock_;
    bool timeFrames_ = false;
    int width_ = 0;
    int height_ = 0;
};
