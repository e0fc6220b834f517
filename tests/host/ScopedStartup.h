// Start-up values for one test: whatever the test sets goes back to the defaults when it ends, and a
// skit library it made is deleted, so that the next test of the same program starts as a new run would.
#pragma once

#include "host/Startup.h"

class ScopedStartup {
public:
    explicit ScopedStartup(TRunMode mode = rmConfig) {
        MutableStartup() = TStartup();
        MutableStartup().RunMode = mode;
    }
    ~ScopedStartup() { MutableStartup() = TStartup(); }
    ScopedStartup(const ScopedStartup&) = delete;
    ScopedStartup& operator=(const ScopedStartup&) = delete;
};
