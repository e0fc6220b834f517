// The one skit library of the process: made at start-up in screensaver and settings mode, kept until
// clean-up, and deleted then, which saves what it holds.
#pragma once

#include <memory>

class SkitCatalog;

// Deletes where the catalogue's whole type is known, so that users of this header need not know it.
struct SkitCatalogDeleter {
    void operator()(SkitCatalog* catalog) const;
};
using SkitLibraryPtr = std::unique_ptr<SkitCatalog, SkitCatalogDeleter>;

// None until start-up has made one, and when making it failed.
extern SkitLibraryPtr SkitLibrary;

// Opens the skit library on the installation's data. allowReadOnly lets it fall back to reading only
// when its data cannot be opened for writing (the screensaver); without it that is an error (the
// settings). Raises when the data cannot be opened.
SkitLibraryPtr OpenSkitLibrary(bool allowReadOnly);
