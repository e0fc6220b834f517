#include "app/SkitLibrary.h"

#include "library/SkitCatalog.h"

SkitLibraryPtr SkitLibrary;

void SkitCatalogDeleter::operator()(SkitCatalog* catalog) const { delete catalog; }

SkitLibraryPtr OpenSkitLibrary(bool allowReadOnly) {
    // The catalogue needs the download manager for its downloads; until that is there, no library is
    // opened and the screensaver shows the start-up error instead of skits.
    (void)allowReadOnly;
    return nullptr;
}
