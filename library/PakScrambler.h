// The byte transform of a scrambled pak.
//
// A scramble program is eight bytes, four (opcode, operand) pairs. A first byte of 13 means nothing is
// scrambled; a first byte of 6 cycles through the last three pairs, one byte at a time, going back to
// the first of them after an opcode 13 or after the third; any other first byte applies the first
// pair to every byte. Each buffer (the directory, or one resource) starts its cycle afresh.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using ScrambleProgram = std::array<std::uint8_t, 8>;

constexpr std::uint8_t kScrambleNone = 13;
constexpr std::uint8_t kScrambleCycling = 6;

// The program of a pak that scrambles nothing: eight bytes of 13.
constexpr ScrambleProgram kNoScramble = {13, 13, 13, 13, 13, 13, 13, 13};

inline bool IsScrambling(const ScrambleProgram& program) { return program[0] != kScrambleNone; }

// Transforms a buffer as it is stored (storing) or undoes that as it is read.
void ApplyScramble(const ScrambleProgram& program, std::uint8_t* data, std::size_t size, bool storing);
