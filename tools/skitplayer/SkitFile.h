// Reading the files of a skit whole: the argument file and the movie.
#pragma once

#include <cstdint>
#include <string>

// The whole file, read through the program's own file object so that its errors read as the program's.
// Raises an EZolvaneError "The <what> cannot be read: " and the reason, which ends with the path; a file
// larger than `largest` bytes is refused the same way rather than read into memory.
std::string ReadSkitFile(const std::string& path, std::uint32_t largest, const std::string& what);
