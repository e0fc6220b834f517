#include "library/PakScrambler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::uint8_t Store(std::uint8_t op, std::uint8_t operand, std::uint8_t byte) {
    const ScrambleProgram program = {op, operand, 0, 0, 0, 0, 0, 0};
    ApplyScramble(program, &byte, 1, true);
    return byte;
}

} // namespace

TEST(PakScrambler, EachOperationStoresAByteAsItShould) {
    EXPECT_EQ(Store(22, 1, 0x01), 0x80); // rotate right
    EXPECT_EQ(Store(22, 9, 0x01), 0x80); // by the operand modulo 8
    EXPECT_EQ(Store(38, 1, 0x80), 0x01); // rotate left
    EXPECT_EQ(Store(38, 8, 0x5A), 0x5A);
    EXPECT_EQ(Store(29, 0xFF, 0x0F), 0xF0);
    EXPECT_EQ(Store(61, 0, 0x01), 0x80); // reverse the bits
    EXPECT_EQ(Store(61, 0, 0xC4), 0x23);
    EXPECT_EQ(Store(83, 0, 0x12), 0x21); // swap the halves
    EXPECT_EQ(Store(99, 7, 0x12), 0x12); // unknown opcodes leave the byte
}

TEST(PakScrambler, ReadingUndoesStoringForEveryByteAndProgram) {
    const ScrambleProgram programs[] = {
        {22, 3, 0, 0, 0, 0, 0, 0},   {38, 13, 0, 0, 0, 0, 0, 0},  {29, 0x6C, 0, 0, 0, 0, 0, 0},
        {61, 0, 0, 0, 0, 0, 0, 0},   {83, 0, 0, 0, 0, 0, 0, 0},   {6, 0, 22, 5, 38, 2, 83, 0},
        {6, 0, 29, 1, 13, 0, 61, 0}, {6, 0, 22, 1, 13, 0, 22, 1},
    };
    std::vector<std::uint8_t> all(512);
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    for (const ScrambleProgram& program : programs) {
        std::vector<std::uint8_t> bytes = all;
        ApplyScramble(program, bytes.data(), bytes.size(), true);
        EXPECT_NE(bytes, all);
        ApplyScramble(program, bytes.data(), bytes.size(), false);
        EXPECT_EQ(bytes, all);
    }
}

TEST(PakScrambler, ThirteenFirstScramblesNothing) {
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    ApplyScramble({13, 29, 29, 0xFF, 29, 0xFF, 29, 0xFF}, bytes.data(), bytes.size(), true);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(IsScrambling(kNoScramble));
}

TEST(PakScrambler, CyclingWithoutAThirteenRunsThroughAllThreePairs) {
    std::vector<std::uint8_t> bytes(7, 0);
    ApplyScramble({6, 0, 29, 1, 29, 2, 29, 3}, bytes.data(), bytes.size(), true);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3, 1, 2, 3, 1}));
}
