// The argument file that a skit player reads: name=value pairs joined by "&", the values encoded, with no
// line end. It lies beside the player program, named like it with ".arg" in place of its extension.
#pragma once

#include <cstdint>
#include <string>

// Encodes the five characters that would break the pairs: space, +, =, & and % become %20, %2B, %3D,
// %26 and %25. Every other byte stays as it is.
std::string EscapeValue(const std::string& value);

// The player's path with everything from its last "." replaced by ".arg" ("C:\Tools\Play.exe" gives
// "C:\Tools\Play.arg"). A "." that is the path's first character, or no "." at all, keeps the whole path.
std::string ArgumentFilePath(const std::string& playerPath);

// The folder the player runs in: its path up to its last "\", "/" or ":" ("C:\Play.exe" gives "C:").
std::string PlayerWorkingFolder(const std::string& playerPath);

class SkitArguments {
public:
    // Appends one pair. An empty name or value empties the whole text: it is all or nothing.
    void AddVariable(const std::string& name, const std::string& value);
    // The value formatted with a printf format such as "%d" or "%02d".
    void AddFormattedVariable(const std::string& name, const char* format, std::int32_t value);
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Replaces whatever argument file is at the path (a read-only leftover too) with the text; an empty text
// leaves no file at all. Raises the file's error when it cannot be written.
void WriteArgumentFile(const std::string& path, const std::string& text);
