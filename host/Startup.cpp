#include "host/Startup.h"

#include "library/SkitCatalog.h"

void SkitCatalogDeleter::operator()(SkitCatalog* catalog) const { delete catalog; }

namespace {

TStartup& TheStartup() {
    static TStartup startup;
    return startup;
}

} // namespace

const TStartup& Startup() { return TheStartup(); }

TStartup& MutableStartup() { return TheStartup(); }
