// Checks on names and addresses that arrive in downloaded skit lists, and so may be hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the program takes from a skit list or a server at most. A list or a movie is data for a
// screensaver: anything larger is an attack on the disk or on the screen's time, not a skit.
// A skit list: 99 skits with long texts take about 100 KB.
constexpr std::uint32_t kMaxSkitListBytes = 1u << 20;
// A movie: a minute of full-screen video at a good bit rate is about 40 MB.
constexpr std::uint32_t kMaxMovieBytes = 256u << 20;
// A file name: the longest name one folder entry may have.
constexpr std::size_t kMaxFileNameText = 255;
// An address: the longest that Windows' internet functions and its shell take.
constexpr std::size_t kMaxAddressText = 2083;
// A skit's name fills one cell of the settings grid; its description a hint, its key text a command or
// an address. Texts of a list are stored in the ops file, which every save rewrites whole.
constexpr std::size_t kMaxNameText = 255;
constexpr std::size_t kMaxDescriptionText = 4096;
constexpr std::size_t kMaxKeyText = 4096;

// A movie file name that names a file in one folder and nowhere else: not empty, no folder or drive
// separators, no wildcards, stream separators or characters Windows forbids in names, not only dots,
// no blank at either end or dot at the end, not a device name such as CON or com1.gif, at most 255
// characters. Anything else is never joined to a folder.
bool IsSafeFileName(const std::string& name);

// A movie file name: a safe file name whose extension is one the skit player plays (.gif, and the videos
// .mp4, .m4v, .mov and .wmv), and not a short "8.3" name (a "~" and a digit), which could name another
// file of the folder, the player's own or a library's. No program, library, script or file of the catalogue's own has
// such a name.
bool IsMovieFileName(const std::string& name);

// Whether the text begins with the prefix, ASCII letters without regard to case ("HTTPS://x", "https://").
bool StartsWithIgnoringCase(const std::string& text, const char* prefix);

// Whether two file names name the same file, as Windows compares them: ASCII letters without regard to
// case.
bool SameFileName(const std::string& a, const std::string& b);

// An address the program may fetch or open: one that starts with http:// or https://, names a host,
// holds only characters that an address may hold (no blanks, quotes, angle brackets, backslashes or
// control characters) and is at most kMaxAddressText characters long.
bool IsWebAddress(const std::string& url);
