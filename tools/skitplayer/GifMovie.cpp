#include "tools/skitplayer/GifMovie.h"

#include "support/Error.h"
#include "tools/skitplayer/SkitFile.h"

#include <shlwapi.h>

#include <cstring>
#include <vector>

namespace {

// Our skits are a few megabytes at most; a file far larger than that is not one of them, and reading
// it whole would only tie up memory.
constexpr std::uint32_t kLargestMovieBytes = 64u * 1024u * 1024u;

std::string StatusText(Gdiplus::Status status) { return "GDI+ status " + std::to_string(static_cast<int>(status)); }

bool HasGifSignature(const std::string& bytes) {
    return bytes.compare(0, 6, "GIF87a") == 0 || bytes.compare(0, 6, "GIF89a") == 0;
}

} // namespace

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    const Gdiplus::Status status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (status != Gdiplus::Ok) {
        throw EZolvaneError("GDI+ cannot be started (" + StatusText(status) + ").");
    }
    token_.Reset(token);
}

GifMovie::GifMovie(const std::string& path) : path_(path) {
    const std::string bytes = ReadSkitFile(path, kLargestMovieBytes, "movie");
    if (!HasGifSignature(bytes)) {
        throw EZolvaneError("The movie " + path + " is not a GIF file.");
    }
    stream_.Reset(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    if (!stream_) {
        throw EZolvaneError("There is not enough memory to load the movie " + path + ".");
    }
    // GDI+'s objects come from its own allocator, which answers "no memory" with null, not by throwing.
    image_.Reset(new Gdiplus::Image(stream_.Get()));
    if (!image_) {
        throw EZolvaneError("There is not enough memory to load the movie " + path + ".");
    }
    const Gdiplus::Status status = image_.Get()->GetLastStatus();
    if (status != Gdiplus::Ok) {
        RaiseDamaged(status);
    }
    width_ = static_cast<int>(image_.Get()->GetWidth());
    height_ = static_cast<int>(image_.Get()->GetHeight());
    if (width_ <= 0 || height_ <= 0) {
        RaiseDamaged(Gdiplus::InvalidParameter);
    }

    // A GIF of a single picture may come without a time dimension: it is then a movie of one frame.
    UINT frames = 1;
    const UINT dimensions = image_.Get()->GetFrameDimensionsCount();
    std::vector<GUID> ids(dimensions);
    if (dimensions > 0 && image_.Get()->GetFrameDimensionsList(ids.data(), dimensions) == Gdiplus::Ok) {
        for (const GUID& id : ids) {
            if (IsEqualGUID(id, Gdiplus::FrameDimensionTime)) {
                timeFrames_ = true;
                frames = image_.Get()->GetFrameCount(&Gdiplus::FrameDimensionTime);
            }
        }
    }
    if (frames == 0) {
        RaiseDamaged(Gdiplus::InvalidParameter);
    }

    // One delay per frame, as 32-bit counts of hundredths of a second. A frame that has none gets the
    // same 100 ms as a delay of 0.
    std::vector<std::uint32_t> hundredths(frames, 0);
    const UINT itemSize = image_.Get()->GetPropertyItemSize(PropertyTagFrameDelay);
    if (itemSize >= sizeof(Gdiplus::PropertyItem)) {
        std::vector<std::uint64_t> storage((itemSize + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(storage.data());
        if (image_.Get()->GetPropertyItem(PropertyTagFrameDelay, itemSize, item) == Gdiplus::Ok &&
            item->value != nullptr) {
            const std::size_t given = item->length / sizeof(std::uint32_t);
            for (std::size_t i = 0; i < given && i < frames; ++i) {
                std::memcpy(&hundredths[i], static_cast<const std::uint8_t*>(item->value) + i * 4, 4);
            }
        }
    }
    for (const std::uint32_t delay : hundredths) {
        delaysMs_.push_back(FrameDelayMs(delay));
    }
    SelectFrame(0);
    clock_ = std::make_unique<FrameClock>(delaysMs_);
}

bool GifMovie::Update(std::uint64_t now) {
    // A timer may fire a little early; every frame shows for its whole delay.
    if (now < clock_->FrameEndsAt()) {
        return false;
    }
    clock_->Advance();
    if (clock_->Finished()) {
        return false;
    }
    SelectFrame(clock_->Frame());
    return true;
}

void GifMovie::SelectFrame(std::size_t frame) {
    if (!timeFrames_) {
        return;
    }
    const Gdiplus::Status status =
        image_.Get()->SelectActiveFrame(&Gdiplus::FrameDimensionTime, static_cast<UINT>(frame));
    if (status != Gdiplus::Ok) {
        throw EZolvaneError("Frame " + std::to_string(frame + 1) + " of the movie " + path_ + " is damaged (" +
                            StatusText(status) + ").");
    }
}

void GifMovie::Draw(HDC dc, const FrameBox& box) {
    Gdiplus::Graphics graphics(dc);
    const bool scaled = box.width != width_ || box.height != height_;
    graphics.SetInterpolationMode(scaled ? Gdiplus::InterpolationModeHighQualityBicubic
                                         : Gdiplus::InterpolationModeNearestNeighbor);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Smoothing reads a little beyond the frame's edges; mirrored there, the frame keeps its colours to the
    // edge instead of fading into a dark fringe.
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    const Gdiplus::Status status = graphics.DrawImage(image_.Get(), Gdiplus::Rect(box.x, box.y, box.width, box.height),
                                                      0, 0, width_, height_, Gdiplus::UnitPixel, &edges);
    if (status != Gdiplus::Ok) {
        throw EZolvaneError("The movie " + path_ + " cannot be drawn (" + StatusText(status) + ").");
    }
}

void GifMovie::RaiseDamaged(Gdiplus::Status status) const {
    throw EZolvaneError("The movie " + path_ + " is a damaged GIF file (" + StatusText(status) + ").");
}
