// The system's dial-up service over remote-access functions that the test plays, through the download
// manager that hangs up what came up during its downloads.
#include "net/DialUp.h"
#include "net/SysLoad.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// One answer of RasEnumConnectionsA when it is given records: the handles it lists, or an error.
struct Listing {
    std::vector<DialUpHandle> handles;
    std::uint32_t error = 0;
    // What the sizing call before it answers instead, leaving the size at 0.
    std::uint32_t sizingError = 0;
};

// Plays RasEnumConnectionsA and RasHangUpA: each listing asked for takes the next answer of the script
// (the last one repeats).
class RemoteAccessScript {
public:
    explicit RemoteAccessScript(std::vector<Listing> listings) : listings_(std::move(listings)) {}

    RemoteAccessFunctions Functions() {
        RemoteAccessFunctions functions;
        functions.enumerate = [this](void* records, std::uint32_t* size, std::uint32_t* count) {
            return Enumerate(records, size, count);
        };
        functions.hangUp = [this](DialUpHandle connection) { hungUp.push_back(connection); };
        return functions;
    }

    std::vector<DialUpHandle> hungUp;

private:
    std::uint32_t Enumerate(void* records, std::uint32_t* size, std::uint32_t* count) {
        const Listing& listing = listings_[std::min(next_, listings_.size() - 1)];
        if (records == nullptr) {
            if (listing.sizingError != 0) {
                ++next_;
                return listing.sizingError;
            }
            // Sizing: the records of the listing to come, in the record size of this build.
            *size = static_cast<std::uint32_t>(listing.handles.size() * sizeof(RASCONNA));
            *count = static_cast<std::uint32_t>(listing.handles.size());
            return *size == 0 ? 0 : ERROR_BUFFER_TOO_SMALL;
        }
        ++next_;
        if (listing.error != 0) {
            return listing.error;
        }
        // Each record in the size that the caller wrote into the first one.
        DWORD recordSize = 0;
        std::memcpy(&recordSize, records, sizeof recordSize);
        auto* bytes = static_cast<unsigned char*>(records);
        for (std::size_t i = 0; i < listing.handles.size(); ++i) {
            const HRASCONN handle = reinterpret_cast<HRASCONN>(listing.handles[i]);
            std::memcpy(bytes + i * recordSize + offsetof(RASCONNA, hrasconn), &handle, sizeof handle);
        }
        *count = static_cast<std::uint32_t>(listing.handles.size());
        return 0;
    }

    std::vector<Listing> listings_;
    std::size_t next_ = 0;
};

} // namespace

TEST(DialUp, TheManagerHangsUpOnlyWhatCameUpAndNothingWhenItsFirstListingFailed) {
    const struct {
        const char* name;
        std::vector<Listing> listings; // at the manager's start, and at its end
        std::vector<DialUpHandle> hungUp;
    } cases[] = {
        {"one came up", {{{7}}, {{9, 7, 11}}}, {9, 11}},
        {"none came up", {{{7, 9}}, {{9, 7}}}, {}},
        // A connection that comes up between the sizing and the listing makes the records too few.
        {"the listing at the start fails", {{{7}, ERROR_BUFFER_TOO_SMALL}, {{7, 9}}}, {}},
        {"the sizing at the start fails", {{{}, 0, ERROR_RASMAN_CANNOT_INITIALIZE}, {{7, 9}}}, {}},
    };
    for (const auto& c : cases) {
        RemoteAccessScript script(c.listings);
        {
            TSysLoad manager(OpenDialUp(script.Functions()));
            manager.SetAskBeforeHangUp(false);
        }
        EXPECT_EQ(script.hungUp, c.hungUp) << c.name;
    }
}
