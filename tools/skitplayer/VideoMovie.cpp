#include "tools/skitplayer/VideoMovie.h"

#include "support/Error.h"
#include "tools/skitplayer/VideoFrames.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

namespace {

constexpr std::uint32_t kShortestWaitMs = 10;

} // namespace

std::string MediaResultText(long result) {
    char text[512] = "";
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                       nullptr, static_cast<DWORD>(result), 0, text, sizeof text, nullptr);
    if (length == 0) {
        if (const HMODULE mfplat = GetModuleHandleA("mfplat.dll")) {
            length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS |
                                        FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                    mfplat, static_cast<DWORD>(result), 0, text, sizeof text, nullptr);
        }
    }
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return reason.empty() ? std::string("error ") + code : reason + " (" + code + ")";
}

std::wstring MediaPath(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 1)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

VideoMovie::VideoMovie(const std::string& path)
    : path_(path), com_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
    HRESULT result = MFStartup(MF_VERSION, MFSTARTUP_LITE);
    if (FAILED(result)) {
        Raise("cannot be played: Media Foundation does not start", result);
    }
    mediaFoundation_.Reset(true);
    UniqueComInterface<IMFAttributes> attributes;
    result = MFCreateAttributes(attributes.Out(), 1);
    if (SUCCEEDED(result)) {
        // Where the decoder's output needs converting to NV12, the reader does it.
        attributes.Get()->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
        result = MFCreateSourceReaderFromURL(MediaPath(path_).c_str(), attributes.Get(), reader_.Out());
    }
    if (FAILED(result)) {
        Raise("cannot be opened", result);
    }
    reader_.Get()->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    result = reader_.Get()->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), TRUE);
    if (FAILED(result)) {
        Raise("holds no video", result);
    }
    UniqueComInterface<IMFMediaType> type;
    result = MFCreateMediaType(type.Out());
    if (SUCCEEDED(result)) {
        type.Get()->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        type.Get()->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12);
        result = reader_.Get()->SetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), nullptr,
                                                    type.Get());
    }
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
    ReadFormat();
}

VideoMovie::~VideoMovie() = default;

void VideoMovie::Raise(const char* what, long result) const {
    throw EZolvaneError("The movie " + path_ + " " + what + ": " + MediaResultText(result) + ".");
}

void VideoMovie::ReadFormat() {
    UniqueComInterface<IMFMediaType> type;
    HRESULT result =
        reader_.Get()->GetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), type.Out());
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
    UINT32 width = 0;
    UINT32 height = 0;
    result = MFGetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, &width, &height);
    UINT32 stride = 0;
    if (FAILED(type.Get()->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) ||
        static_cast<INT32>(stride) < static_cast<INT32>(width)) {
        stride = width;
    }
    // The coded picture may be taller than the one shown (1088 lines for 1080).
    MFVideoArea area{};
    const bool aperture = SUCCEEDED(
        type.Get()->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area), sizeof area, nullptr));
    if (FAILED(result) || width == 0 || height == 0 || width > 16384 || height > 16384) {
        Raise("has no picture size the player can show", FAILED(result) ? result : E_INVALIDARG);
    }
    codedHeight_ = static_cast<int>(height);
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    if (aperture && area.Area.cx > 0 && area.Area.cy > 0 && static_cast<UINT32>(area.Area.cx) <= width &&
        static_cast<UINT32>(area.Area.cy) <= height) {
        width_ = area.Area.cx;
        height_ = area.Area.cy;
    }
    stride_ = stride;
    try {
        pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0xFF000000u);
    } catch (const std::bad_alloc&) {
        Raise("is too large to show", E_OUTOFMEMORY);
    }
}

void VideoMovie::ReadNext() {
    DWORD stream = 0;
    DWORD flags = 0;
    LONGLONG time = 0;
    UniqueComInterface<IMFSample> sample;
    const HRESULT result = reader_.Get()->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0,
                                                     &stream, &flags, &time, sample.Out());
    if (FAILED(result) || (flags & MF_SOURCE_READERF_ERROR) != 0) {
        Raise("cannot be decoded", FAILED(result) ? result : E_FAIL);
    }
    if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) != 0) {
        ReadFormat();
    }
    if ((flags & MF_SOURCE_READERF_ENDOFSTREAM) != 0) {
        streamEnded_ = true;
    }
    if (sample) {
        LONGLONG duration = 0;
        sample.Get()->GetSampleDuration(&duration);
        const FrameSpan span = SpanOfFrame(time, duration, shownUntil_);
        pending_ = {std::move(sample), span.start, span.duration};
        if (pending_.duration > 0) {
            frameMs_ = pending_.duration;
        }
    }
}

void VideoMovie::StartSound(EventLog& log) { sound_ = std::make_unique<SoundTrack>(path_, log); }

bool VideoMovie::Update(std::uint64_t now) {
    lastNow_ = static_cast<std::int64_t>(now);
    if (sound_) {
        sound_->Poll();
    }
    bool changed = false;
    int droppedInARow = 0;
    for (;;) {
        if (!pending_.sample) {
            if (streamEnded_) {
                return changed;
            }
            ReadNext();
            if (!pending_.sample) {
                // A gap in the stream, or a change of format: it counts against the frames read in a row.
                if (++droppedInARow > kMostFramesDroppedInARow) {
                    return changed;
                }
                continue;
            }
        }
        switch (TimeFrame(pending_.start, pending_.duration, lastNow_, droppedInARow)) {
        case FrameTiming::kWait:
            return changed;
        case FrameTiming::kDrop:
            ++droppedInARow;
            ++dropped_;
            shownUntil_ = std::max(shownUntil_, pending_.start + pending_.duration);
            pending_.sample.Reset();
            break;
        case FrameTiming::kShow:
            Show(pending_.sample.Get());
            shownUntil_ = std::max(shownUntil_, pending_.start + pending_.duration);
            pending_.sample.Reset();
            if (droppedInARow >= kMostFramesDroppedInARow) {
                // Behind the clock: the window draws this picture and reads its messages first.
                return true;
            }
            changed = true;
            break;
        }
    }
}

void VideoMovie::Show(IMFSample* sample) {
    UniqueComInterface<IMFMediaBuffer> buffer;
    HRESULT result = sample->ConvertToContiguousBuffer(buffer.Out());
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
    BYTE* bytes = nullptr;
    DWORD length = 0;
    result = buffer.Get()->Lock(&bytes, nullptr, &length);
    if (SUCCEEDED(result)) {
        const std::size_t lumaBytes = stride_ * static_cast<std::size_t>(codedHeight_);
        // A picture shorter than its format says is not read past its end: the movie is damaged.
        const bool whole = length >= Nv12Bytes(stride_, codedHeight_, width_, height_);
        if (whole) {
            Nv12ToRgb32(bytes, bytes + lumaBytes, stride_, width_, height_, pixels_.data());
            havePicture_ = true;
            ++shown_;
        }
        buffer.Get()->Unlock();
        if (!whole) {
            result = MF_E_BUFFERTOOSMALL;
        }
    }
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
}

bool VideoMovie::Finished() const { return streamEnded_ && !pending_.sample && lastNow_ >= shownUntil_; }

std::uint32_t VideoMovie::WaitFrom(std::uint64_t now) const {
    const std::int64_t at = pending_.sample ? pending_.start : shownUntil_;
    const std::int64_t wait = at - static_cast<std::int64_t>(now);
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(wait, kShortestWaitMs, 1000));
}

void VideoMovie::Draw(HDC dc, const FrameBox& box) {
    if (!havePicture_) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Smooth scaling while the machine keeps up with it; once drawing a picture takes more than half a
    // frame's time, the plain kind, so that no frame is dropped for the sake of smoothness.
    SetStretchBltMode(dc, plainScaling_ ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const auto started = std::chrono::steady_clock::now();
    StretchDIBits(dc, box.x, box.y, box.width, box.height, 0, 0, width_, height_, pixels_.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
    GdiFlush();
    const double drawMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    averageDrawMs_ = averageDrawMs_ == 0 ? drawMs : (averageDrawMs_ * 7 + drawMs) / 8;
    if (!plainScaling_ && ++drawsTimed_ >= 3 &&
        averageDrawMs_ > static_cast<double>(std::max<std::int64_t>(frameMs_, 1)) / 2) {
        plainScaling_ = true;
    }
}
