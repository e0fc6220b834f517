// The one exception base of the program.
//
// Every failure the program raises carries the exact text a user is shown or a log receives.
// Handlers catch EZolvaneError (our own texts), then std::exception (the library's description),
// then anything else (a fixed text), and never let an exception unwind through the operating system.
#pragma once

#include <stdexcept>
#include <string>

class EZolvaneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
