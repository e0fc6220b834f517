#include "library/PakScrambler.h"

namespace {

enum ScrambleOp : std::uint8_t {
    opRotateRight = 22, // left when reading
    opXor = 29,
    opRotateLeft = 38, // right when reading
    opReverseBits = 61,
    opSwapNibbles = 83,
};

std::uint8_t RotateLeft(std::uint8_t b, unsigned n) {
    n %= 8;
    return n == 0 ? b : static_cast<std::uint8_t>((b << n) | (b >> (8 - n)));
}

std::uint8_t RotateRight(std::uint8_t b, unsigned n) { return RotateLeft(b, (8 - n % 8) % 8); }

std::uint8_t ReverseBits(std::uint8_t b) {
    std::uint8_t reversed = 0;
    for (int i = 0; i < 8; ++i) {
        reversed = static_cast<std::uint8_t>((reversed << 1) | ((b >> i) & 1));
    }
    return reversed;
}

std::uint8_t Transform(std::uint8_t op, std::uint8_t operand, std::uint8_t b, bool storing) {
    switch (op) {
    case opRotateRight:
        return storing ? RotateRight(b, operand) : RotateLeft(b, operand);
    case opXor:
        return static_cast<std::uint8_t>(b ^ operand);
    case opRotateLeft:
        return storing ? RotateLeft(b, operand) : RotateRight(b, operand);
    case opReverseBits:
        return ReverseBits(b);
    case opSwapNibbles:
        return static_cast<std::uint8_t>((b << 4) | (b >> 4));
    default:
        return b;
    }
}

} // namespace

void ApplyScramble(const ScrambleProgram& program, std::uint8_t* data, std::size_t size, bool storing) {
    if (program[0] == kScrambleNone) {
        return;
    }
    if (program[0] != kScrambleCycling) {
        for (std::size_t i = 0; i < size; ++i) {
            data[i] = Transform(program[0], program[1], data[i], storing);
        }
        return;
    }
    std::size_t pair = 2;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t op = program[pair];
        data[i] = Transform(op, program[pair + 1], data[i], storing);
        pair = op == kScrambleNone ? 2 : pair + 2;
        if (pair > 7) {
            pair = 2;
        }
    }
}
