// The four things the program can be asked to do. Portable, so that reading the command line builds
// and is tested everywhere.
#pragma once

#include <cstdint>

enum TRunMode : std::uint8_t { rmSaver = 0, rmPreview = 1, rmConfig = 2, rmPassword = 3 };
