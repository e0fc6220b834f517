#include "tools/skitplayer/VideoFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SniffMovie, TellsTheKindByTheFirstBytesAlone) {
    const struct {
        std::string head;
        MovieKind kind;
    } rows[] = {
        {"GIF89a\x01\x00", MovieKind::kGif},
        {"GIF87a", MovieKind::kGif},
        {std::string("\0\0\0\x20"
                     "ftypisom",
                     12),
         MovieKind::kVideo},
        {std::string("\0\0\0\x14"
                     "ftypqt  ",
                     12),
         MovieKind::kVideo},
        {std::string("\0\0\x01\x00"
                     "moov",
                     8),
         MovieKind::kVideo},
        {std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16), MovieKind::kVideo},
        {"GIF8", MovieKind::kUnknown},
        {"MZ\x90\x00", MovieKind::kUnknown},
        {std::string("\0\0\0\x20"
                     "ftp",
                     7),
         MovieKind::kUnknown},
        {"", MovieKind::kUnknown}};
    for (const auto& row : rows) {
        EXPECT_EQ(SniffMovie(reinterpret_cast<const std::uint8_t*>(row.head.data()), row.head.size()), row.kind)
            << row.head;
    }
}

TEST(TimeFrame, ShowsAFrameDuringItsOwnTimeAndDropsItOnceItHasPassed) {
    const struct {
        std::int64_t start, duration, now;
        FrameTiming timing;
        int droppedInARow = 0;
    } rows[] = {{0, 40, 5000, FrameTiming::kDrop, kMostFramesDroppedInARow - 1},
                {0, 40, 5000, FrameTiming::kShow, kMostFramesDroppedInARow},
                {6000, 40, 5000, FrameTiming::kWait, kMostFramesDroppedInARow},
                {100, 33, 99, FrameTiming::kWait},
                {100, 33, 100, FrameTiming::kShow},
                {100, 33, 132, FrameTiming::kShow},
                {100, 33, 133, FrameTiming::kDrop},
                {100, 0, 100, FrameTiming::kShow},
                {100, 0, 101, FrameTiming::kDrop},
                {0, 40, 5000, FrameTiming::kDrop}};
    for (const auto& row : rows) {
        EXPECT_EQ(TimeFrame(row.start, row.duration, row.now, row.droppedInARow), row.timing)
            << row.start << "+" << row.duration << " at " << row.now << " after " << row.droppedInARow;
    }
}

TEST(Nv12ToRgb32, GivesTheColoursOfVideoLevelsAndReadsChromaPerTwoByTwoPixels) {
    // Three pixels wide (an odd width) and two high, with a stride of 4: black, white, then pure red;
    // the second chroma pair (for x = 2) is red's.
    const std::vector<std::uint8_t> luma = {16, 235, 81, 0, 16, 235, 81, 0};
    const std::vector<std::uint8_t> chroma = {128, 128, 90, 240};
    std::vector<std::uint32_t> pixels(6);
    Nv12ToRgb32(luma.data(), chroma.data(), 4, 3, 2, pixels.data());
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(pixels[row * 3 + 0], 0xFF000000u);
        EXPECT_EQ(pixels[row * 3 + 1], 0xFFFFFFFFu);
        const std::uint32_t red = pixels[row * 3 + 2];
        EXPECT_GE((red >> 16) & 0xFF, 250u);
        EXPECT_LE((red >> 8) & 0xFF, 4u);
        EXPECT_LE(red & 0xFF, 4u);
    }
}

TEST(Nv12Bytes, CoversEveryByteTheConversionReadsForOddSizesAndNarrowStrides) {
    const struct {
        std::size_t stride;
        int codedHeight, width, height;
    } rows[] = {{4, 3, 4, 3}, {3, 3, 3, 3}, {3, 2, 3, 2}, {5, 1, 5, 1}, {8, 1088, 7, 1080}, {1, 1, 1, 1}};
    for (const auto& row : rows) {
        // The picture lies at the very end of its buffer, so that a read past it is caught.
        const auto size = static_cast<std::size_t>(Nv12Bytes(row.stride, row.codedHeight, row.width, row.height));
        ASSERT_GE(size, row.stride * static_cast<std::size_t>(row.codedHeight));
        std::vector<std::uint8_t> buffer(size, 128);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(row.width * row.height));
        Nv12ToRgb32(buffer.data(), buffer.data() + row.stride * static_cast<std::size_t>(row.codedHeight), row.stride,
                    row.width, row.height, pixels.data());
        EXPECT_EQ(pixels.back() & 0xFF000000u, 0xFF000000u) << row.stride << " " << row.width << "x" << row.height;
    }
    EXPECT_EQ(Nv12Bytes(4, 3, 4, 3), 12u + 4u + 4u);
    EXPECT_EQ(Nv12Bytes(0x40000000u, 16384, 16384, 16384),
              (std::uint64_t{1} << 44) + std::uint64_t{8191} * 0x40000000u + 16384u);
}

TEST(SpanOfFrame, KeepsAMovieThatClaimsEndlessFramesOrGapsComingToItsEnd) {
    constexpr std::int64_t kHuge = std::int64_t{1} << 62;
    const struct {
        std::int64_t timeTicks, durationTicks, previousEnd, start, duration;
    } rows[] = {{1000000, 333333, 67, 100, 33},
                {0, -400000, 0, 0, 0},
                {-10000, 10000, 0, -1, 1},
                {0, kHuge, 0, 0, kLongestFrameMs},
                {kHuge, 333333, 500, 500 + kLongestFrameMs, 33},
                {kHuge, kHuge, kHuge / 10000, kHuge / 10000, kLongestFrameMs}};
    for (const auto& row : rows) {
        const FrameSpan span = SpanOfFrame(row.timeTicks, row.durationTicks, row.previousEnd);
        EXPECT_EQ(span.start, row.start) << row.timeTicks << " after " << row.previousEnd;
        EXPECT_EQ(span.duration, row.duration) << row.durationTicks;
    }
}
