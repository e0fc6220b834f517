// Reading the argument file that the screensaver writes next to the player before it starts it
// (playback/SkitArguments.h writes it, and names it with ArgumentFilePath).
//
// The file holds one line of name=value pairs joined by "&". Names are written as they are; in values
// the five characters that would break the layout are written as codes: a space as %20, "+" as %2B,
// "=" as %3D, "&" as %26 and "%" as %25. Every other byte is copied unchanged.
#pragma once

#include <string>
#include <utility>
#include <vector>

// A value with the five codes turned back into their characters; any other "%" stays as it is, so a
// hand-written file with a stray percent sign still reads. Hex letters may be upper or lower case.
std::string DecodeSkitValue(const std::string& value);

class SkitArgs {
public:
    // Splits the text into its pairs. A piece without "=" or with an empty name is skipped rather than
    // refused: the screensaver never writes one, and the variables around it are still good.
    static SkitArgs Parse(const std::string& text);

    // The decoded value of the variable, or false when the file has no such variable. When a name
    // comes twice the last one counts, as the screensaver adds the movie name last.
    bool Find(const std::string& name, std::string& value) const;

    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
};

// Where the movie that SS_Swf names is: a bare movie file name (library/SafeNames.h) in the folder the
// player runs in, which the screensaver makes the folder of its skits. Anything else (a path, a drive, a
// share, a name the player does not play) raises, so that no argument file sends the player elsewhere.
std::string MoviePathFor(const std::string& folder, const std::string& movieName);
