// Reading and writing stored formats field by field: little-endian, packed, at named offsets.
//
// Every stored structure goes through these, never through a cast of bytes to a struct, so the 32-bit
// and 64-bit builds write the same bytes. A field outside the block is a programming error and raises
// std::out_of_range; blocks from files are checked for their length before their fields are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<std::uint8_t>& block) : ByteReader(block.data(), block.size()) {}

    std::size_t Size() const { return size_; }

    std::uint8_t U8(std::size_t offset) const { return *At(offset, 1); }
    std::uint16_t U16(std::size_t offset) const {
        const std::uint8_t* p = At(offset, 2);
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    std::uint32_t U32(std::size_t offset) const {
        const std::uint8_t* p = At(offset, 4);
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    // A FILETIME: its low 32 bits, then its high 32 bits.
    std::uint64_t U64(std::size_t offset) const {
        return static_cast<std::uint64_t>(U32(offset)) | (static_cast<std::uint64_t>(U32(offset + 4)) << 32);
    }
    void Bytes(std::size_t offset, void* target, std::size_t count) const {
        std::memcpy(target, At(offset, count), count);
    }

private:
    const std::uint8_t* At(std::size_t offset, std::size_t count) const {
        if (offset > size_ || count > size_ - offset) {
            throw std::out_of_range("field outside its block");
        }
        return data_ + offset;
    }

    const std::uint8_t* data_;
    std::size_t size_;
};

class ByteWriter {
public:
    ByteWriter(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteWriter(std::vector<std::uint8_t>& block) : ByteWriter(block.data(), block.size()) {}

    void U8(std::size_t offset, std::uint8_t value) { *At(offset, 1) = value; }
    void U16(std::size_t offset, std::uint16_t value) {
        std::uint8_t* p = At(offset, 2);
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
    }
    void U32(std::size_t offset, std::uint32_t value) {
        std::uint8_t* p = At(offset, 4);
        for (int i = 0; i < 4; ++i) {
            p[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    void I32(std::size_t offset, std::int32_t value) { U32(offset, static_cast<std::uint32_t>(value)); }
    void U64(std::size_t offset, std::uint64_t value) {
        U32(offset, static_cast<std::uint32_t>(value));
        U32(offset + 4, static_cast<std::uint32_t>(value >> 32));
    }
    void Bytes(std::size_t offset, const void* source, std::size_t count) {
        std::memcpy(At(offset, count), source, count);
    }

private:
    std::uint8_t* At(std::size_t offset, std::size_t count) {
        if (offset > size_ || count > size_ - offset) {
            throw std::out_of_range("field outside its block");
        }
        return data_ + offset;
    }

    std::uint8_t* data_;
    std::size_t size_;
};
