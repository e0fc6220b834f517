#include "app/SkitLibrary.h"

// The catalogue joins the build in its own files; until they are there no library can exist, and the
// screensaver shows the start-up error instead of skits.
#if __has_include("library/SkitCatalog.h")
#include "library/SkitCatalog.h"
#define ZOLVANE_HAVE_SKIT_CATALOG 1
#else
#define ZOLVANE_HAVE_SKIT_CATALOG 0
#endif

SkitLibraryPtr SkitLibrary;

void SkitCatalogDeleter::operator()(SkitCatalog* catalog) const {
#if ZOLVANE_HAVE_SKIT_CATALOG
    delete catalog;
#else
    (void)catalog;
#endif
}

SkitLibraryPtr OpenSkitLibrary(bool allowReadOnly) {
    (void)allowReadOnly;
    return nullptr;
}
