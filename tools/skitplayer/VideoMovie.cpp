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

namespace {

template <class T>
void Release(T*& pointer) {
    if (pointer != nullptr) {
        pointer->Release();
        pointer = nullptr;
    }
}

} // namespace

VideoMovie::VideoMovie(const std::string& path) : path_(path) {
    try {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        comStarted_ = SUCCEEDED(com);
        HRESULT result = MFStartup(MF_VERSION, MFSTARTUP_LITE);
        if (FAILED(result)) {
            Raise("cannot be played: Media Foundation does not start", result);
        }
        mediaStarted_ = true;
        IMFAttributes* attributes = nullptr;
        result = MFCreateAttributes(&attributes, 1);
        if (SUCCEEDED(result)) {
            // Where the decoder's output needs converting to NV12, the reader does it.
            attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
            result = MFCreateSourceReaderFromURL(MediaPath(path_).c_str(), attributes, &reader_);
            attributes->Release();
        }
        if (FAILED(result)) {
            Raise("cannot be opened", result);
        }
        reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
        result = reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), TRUE);
        if (FAILED(result)) {
            Raise("holds no video", result);
        }
        IMFMediaType* type = nullptr;
        result = MFCreateMediaType(&type);
        if (SUCCEEDED(result)) {
            type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
            type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12);
            result =
                reader_->SetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), nullptr, type);
            type->Release();
        }
        if (FAILED(result)) {
            Raise("cannot be decoded", result);
        }
        ReadFormat();
    } catch (...) {
        Close();
        throw;
    }
}

VideoMovie::~VideoMovie() { Close(); }

void VideoMovie::Close() noexcept {
    sound_.reset();
    DropPending();
    Release(reader_);
    if (mediaStarted_) {
        MFShutdown();
        mediaStarted_ = false;
    }
    if (comStarted_) {
        CoUninitialize();
        comStarted_ = false;
    }
}

void VideoMovie::Raise(const char* what, long result) const {
    throw EZolvaneError("The movie " + path_ + " " + what + ": " + MediaResultText(result) + ".");
}

void VideoMovie::ReadFormat() {
    IMFMediaType* type = nullptr;
    HRESULT result = reader_->GetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), &type);
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
    UINT32 width = 0;
    UINT32 height = 0;
    result = MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
    UINT32 stride = 0;
    if (FAILED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) ||
        static_cast<INT32>(stride) < static_cast<INT32>(width)) {
        stride = width;
    }
    // The coded picture may be taller than the one shown (1088 lines for 1080).
    MFVideoArea area{};
    const bool aperture =
        SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area), sizeof area, nullptr));
    type->Release();
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

void VideoMovie::DropPending() { Release(pending_.sample); }

void VideoMovie::ReadNext() {
    DWORD stream = 0;
    DWORD flags = 0;
    LONGLONG time = 0;
    IMFSample* sample = nullptr;
    const HRESULT result = reader_->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &stream,
                                               &flags, &time, &sample);
    if (FAILED(result) || (flags & MF_SOURCE_READERF_ERROR) != 0) {
        Release(sample);
        Raise("cannot be decoded", FAILED(result) ? result : E_FAIL);
    }
    if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) != 0) {
        ReadFormat();
    }
    if ((flags & MF_SOURCE_READERF_ENDOFSTREAM) != 0) {
        streamEnded_ = true;
    }
    if (sample != nullptr) {
        LONGLONG duration = 0;
        sample->GetSampleDuration(&duration);
        const FrameSpan span = SpanOfFrame(time, duration, shownUntil_);
        pending_ = {sample, span.start, span.duration};
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
        if (pending_.sample == nullptr) {
            if (streamEnded_) {
                return changed;
            }
            ReadNext();
            if (pending_.sample == nullptr) {
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
            DropPending();
            break;
        case FrameTiming::kShow:
            Show(pending_.sample);
            shownUntil_ = std::max(shownUntil_, pending_.start + pending_.duration);
            DropPending();
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
    IMFMediaBuffer* buffer = nullptr;
    HRESULT result = sample->ConvertToContiguousBuffer(&buffer);
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
    BYTE* bytes = nullptr;
    DWORD length = 0;
    result = buffer->Lock(&bytes, nullptr, &length);
    if (SUCCEEDED(result)) {
        const std::size_t lumaBytes = stride_ * static_cast<std::size_t>(codedHeight_);
        // A picture shorter than its format says is not read past its end: the movie is damaged.
        const bool whole = length >= Nv12Bytes(stride_, codedHeight_, width_, height_);
        if (whole) {
            Nv12ToRgb32(bytes, bytes + lumaBytes, stride_, width_, height_, pixels_.data());
            havePicture_ = true;
            ++shown_;
        }
        buffer->Unlock();
        if (!whole) {
            result = MF_E_BUFFERTOOSMALL;
        }
    }
    buffer->Release();
    if (FAILED(result)) {
        Raise("cannot be decoded", result);
    }
}

bool VideoMovie::Finished() const { return streamEnded_ && pending_.sample == nullptr && lastNow_ >= shownUntil_; }

std::uint32_t VideoMovie::WaitFrom(std::uint64_t now) const {
    const std::int64_t at = pending_.sample != nullptr ? pending_.start : shownUntil_;
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
