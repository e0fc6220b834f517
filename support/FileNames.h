// The extension of a file name: only a dot in the file's own name starts it, never one in a folder name,
// so "C:\My.Apps\zolvane" has none.
#pragma once

#include <string>

// The path without its extension (and without the dot before it).
std::string WithoutExtension(const std::string& path);

// The path with its extension replaced, or added when it has none: ("C:\a\b.scr", ".ini") gives
// "C:\a\b.ini".
std::string WithExtension(const std::string& path, const std::string& extension);
