// Opening the run's skit library on the installation's data, as the settings name it.
#pragma once

#include "host/Startup.h"

// Opens the skit library on the installation's data. allowReadOnly lets it fall back to reading only
// when its data cannot be opened for writing (the screensaver); without it that is an error (the
// settings). Raises when the data cannot be opened.
SkitLibraryPtr OpenSkitLibrary(bool allowReadOnly);
