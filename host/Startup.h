// What start-up settles once for the whole run, before it makes a window: the run mode, the windows
// named or found at start, the message the screensaver shows when it has no skit library, and the skit
// library itself.
//
// The entry point fills these in; the windows read them through Startup() and never change them.
#pragma once

#include "host/RunMode.h"

#include <windows.h>

#include <memory>
#include <string>

class SkitCatalog;

constexpr const char* kDefaultStartupError =
    "Data files missing or corrupt. You may need to reinstall this screensaver.";

// Deletes where the catalogue's whole type is known, so that users of this header need not know it.
struct SkitCatalogDeleter {
    void operator()(SkitCatalog* catalog) const;
};
using SkitLibraryPtr = std::unique_ptr<SkitCatalog, SkitCatalogDeleter>;

struct TStartup {
    TRunMode RunMode = rmConfig;
    // The window named on the command line for preview and password change; none otherwise.
    HWND ParentWindow = nullptr;
    // The foreground window when the program started.
    HWND StartForeground = nullptr;
    // What the screensaver scrolls when its skit library could not be opened.
    std::string StartupError = kDefaultStartupError;
    // Made in the screensaver and settings modes; none in the others and when opening it failed.
    // Deleting it saves what it holds.
    SkitLibraryPtr SkitLibrary;
};

// The run's start-up values, for the windows to read.
const TStartup& Startup();
// The same values, for start-up to fill in and clean up (and for tests to set up a run).
TStartup& MutableStartup();
