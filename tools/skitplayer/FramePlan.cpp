#include "tools/skitplayer/FramePlan.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::uint32_t kShortestTimerMs = 10;

} // namespace

std::uint32_t FrameDelayMs(std::uint32_t hundredths) { return (hundredths <= 1 ? 10u : hundredths) * 10u; }

FrameBox FitFrame(int frameWidth, int frameHeight, int areaWidth, int areaHeight) {
    FrameBox box;
    if (frameWidth <= 0 || frameHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return box;
    }
    // Compare the two scales as cross products, in 64 bits, so no rounding decides which side limits.
    const std::int64_t widthScaled = static_cast<std::int64_t>(areaWidth) * frameHeight;
    const std::int64_t heightScaled = static_cast<std::int64_t>(areaHeight) * frameWidth;
    if (widthScaled <= heightScaled) {
        box.width = areaWidth;
        box.height = static_cast<int>((widthScaled + frameWidth / 2) / frameWidth);
    } else {
        box.height = areaHeight;
        box.width = static_cast<int>((heightScaled + frameHeight / 2) / frameHeight);
    }
    box.width = std::clamp(box.width, 1, areaWidth);
    box.height = std::clamp(box.height, 1, areaHeight);
    box.x = (areaWidth - box.width) / 2;
    box.y = (areaHeight - box.height) / 2;
    return box;
}

FrameClock::FrameClock(std::vector<std::uint32_t> delaysMs) : delaysMs_(std::move(delaysMs)) {
    if (!delaysMs_.empty()) {
        frameEndsAt_ = delaysMs_.front();
    }
}

std::uint32_t FrameClock::WaitFrom(std::uint64_t now) const {
    if (now >= frameEndsAt_) {
        return kShortestTimerMs;
    }
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(frameEndsAt_ - now, kShortestTimerMs));
}

void FrameClock::Advance() {
    if (Finished()) {
        return;
    }
    ++frame_;
    if (!Finished()) {
        frameEndsAt_ += delaysMs_[frame_];
    }
}

std::uint64_t FrameClock::Length() const {
    std::uint64_t length = 0;
    for (const std::uint32_t delay : delaysMs_) {
        length += delay;
    }
    return length;
}
