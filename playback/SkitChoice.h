// Which skit the show plays next: at fixed points of a run a special skit (and perhaps the start of a
// skit-list download), otherwise the catalogue's next pick, with special skits to fall back on.
#pragma once

#include "library/SkitCatalog.h"
#include "net/ConnectionCost.h"

#include <cstdint>
#include <optional>
#include <string>

struct SpecialChoice {
    std::optional<std::int32_t> special; // the special skit to play instead of the next pick
    bool startDownload = false;          // start the skit-list download too
};

// The fixed points, by how new skits arrive. runCount is the number of skit starts attempted so far in
// this run; the choice after exactly one of them is the one moment a skit-list download may start.
//   automatic:         second choice, and skits scheduled or the list due: special 1, download
//   choose from list:  every 5th start while skits are on offer: special 3; else second choice and
//                      list due: special 2, download
//   manual:            second choice and list due: special 4
SpecialChoice ChooseSpecial(std::uint8_t syncMethod, int runCount, int regularScheduled, int regularAvailable,
                            bool listDue);

struct ShowChoice {
    std::optional<std::string> file; // the movie file to play, or none
    bool startDownload = false;
    // A download was due but waits for an unmetered connection: the choice is then made as if none were.
    bool downloadWaits = false;
    // The skit of the file, whose key the show answers while it plays.
    std::uint8_t kind = 0;
    std::int32_t id = 0;
};

// The special choice, else the catalogue's next pick; when that gives nothing, special skit 1 while a
// download runs (or is about to), special skit 4 otherwise. A choice that would start a download asks the
// connection's cost first (AutomaticDownloadsWait): while the download waits, neither it nor the special
// skit that announces it comes.
ShowChoice ChooseShowSkit(SkitCatalog& catalog, std::uint8_t syncMethod, int runCount, const ConnectionCost& cost,
                          bool downloadOnMetered);
