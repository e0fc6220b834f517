// Reading the screensaver's command line, without the system: which run mode its first letter asks
// for, and the window number that may follow the letter. RunModes.h adds the windows.
#pragma once

#include "host/RunMode.h"

#include <cstdint>
#include <string>

// Where a run mode finds its parent window.
enum class ParentSource {
    None,        // no parent window
    Foreground,  // the window in the foreground now
    AfterLetter, // the window number written after the letter
};

struct RunModeChoice {
    TRunMode mode = rmConfig;
    ParentSource parent = ParentSource::None;
    std::string rest; // the text after the letter
};

// The arguments of a whole command line: everything after the program's name, which may be quoted.
// Nothing after the name is dropped: the C runtime's own argument text would lose leading tabs too.
std::string ArgumentsOf(const std::string& commandLine);

// Skips blanks (not tabs), then one '-' or '/', and lets the next letter choose, in either case:
// A password change, C settings, L or P preview, S screensaver; anything else, nothing included,
// settings.
RunModeChoice ChooseRunMode(const std::string& arguments);

// The number at the start of a text: one ':' may come first, then white space, then a signed decimal
// number whose digits end at the first other character. No digits give 0, and so does a number that no
// window handle can be (one beyond 32 bits).
std::int64_t ReadWindowNumber(const std::string& text);
