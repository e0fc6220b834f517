// The argument file that a skit player reads: name=value pairs joined by "&", the values encoded, with no
// line end. It lies in the user's own folder of the program (sys::UserDataFolder), not beside the player:
// the player is installed where only administrators write, and no other user can write, swap or read a
// file in that folder. Its name carries the logon session's number, so two sessions of one user never
// read each other's file.
#pragma once

#include <cstdint>
#include <string>

// Encodes the five characters that would break the pairs: space, +, =, & and % become %20, %2B, %3D,
// %26 and %25. Every other byte stays as it is.
std::string EscapeValue(const std::string& value);

// The argument file in the folder for the player's file name and the session: the name without its folder
// and with everything from its last "." replaced by the session's number and ".arg" ("C:\Tools\Play.exe"
// in session 1 gives "<folder>\Play.1.arg"). A "." that is the name's first character, or no "." at all,
// keeps the whole name.
std::string ArgumentFilePath(const std::string& folder, const std::string& playerPath, std::uint32_t session);

// The argument file of the player for this user and session; empty when the user has no folder of ours.
std::string UserArgumentFilePath(const std::string& playerPath);

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
