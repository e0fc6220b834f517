// What the skit catalogue needs to know from outside itself: the installation's folders, the user's
// choice of how new skits arrive, and the local clock. The program answers from its settings and the
// wall clock; tests answer from fields they set.
#pragma once

#include "support/LocalTime.h"

#include <cstdint>
#include <string>
#include <vector>

enum SyncMethodKind : std::uint8_t { smAutomatic = 0, smChooseFromList = 1, smManual = 2 };

class CatalogEnvironment {
public:
    virtual ~CatalogEnvironment() = default;
    virtual std::string SkitsPath() const = 0;    // the movie files, and a skit list left for import
    virtual std::string DownloadPath() const = 0; // where downloads land first
    virtual std::string OpsFilePath() const = 0;  // the catalogue's own pak
    virtual std::string LogPath() const = 0;      // the download log
    virtual std::uint8_t SyncMethod() const = 0;
    virtual FileTime Now() const = 0; // local time, as NowAsLocalFileTime gives it
    // The public keys (base64 lines) of which a skit list must carry a signature; none: any list merges.
    virtual std::vector<std::string> TrustedListKeys() const { return {}; }
};
