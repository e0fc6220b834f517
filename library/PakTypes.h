// The resource types the program keeps in its paks. A type's four bytes, as they lie in the file,
// are the little-endian bytes of its value.
#pragma once

#include <cstdint>

using PakType = std::uint32_t;

constexpr PakType kPakSkOp = 0x704F6B53; // the ops block (ops file, id 0)
constexpr PakType kPakSYNC = 0x53594E43; // the skit list header (sync file, id 1)
constexpr PakType kPakSKIT = 0x534B4954; // one skit of a skit list (sync file, ids 1 to n)
constexpr PakType kPakPSTR = 0x50535452; // one zero-terminated text
constexpr PakType kPakSIGN = 0x5349474E; // a signature of a skit list (sync file, ids 1 to 16)
constexpr PakType kPakHASH = 0x48415348; // the SHA-256 of a skit's movie (sync file, the id of its SKIT)
