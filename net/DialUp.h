// The dial-up connections of the system's remote-access service, as the download manager needs them:
// which are active, and hanging one up.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A remote-access connection handle, widened to hold the handle of 32-bit and 64-bit builds alike.
using DialUpHandle = std::uintptr_t;

class DialUpConnections {
public:
    virtual ~DialUpConnections() = default;
    // The handles of the active connections, in the order the system lists them. Raises when they
    // cannot be listed.
    virtual std::vector<DialUpHandle> ListActive() = 0;
    // Hangs up the connection and returns once it has had time to come down.
    virtual void HangUp(DialUpHandle connection) = 0;
};

// Opens the remote-access service; none when the system has no remote-access library, in which case no
// remote-access function is ever called.
using DialUpProvider = std::function<std::unique_ptr<DialUpConnections>()>;

// The system's own: "rasapi32.dll" when the system folder has it (and from there only), loaded when a
// connection is first listed.
std::unique_ptr<DialUpConnections> OpenSystemDialUp();

// The two remote-access functions that the system's connections are reached through.
struct RemoteAccessFunctions {
    // RasEnumConnectionsA: fills the records (null: only tells the size needed) and returns 0 or the
    // remote-access error code.
    std::function<std::uint32_t(void* records, std::uint32_t* size, std::uint32_t* count)> enumerate;
    // RasHangUpA, and the wait for the line to come down.
    std::function<void(DialUpHandle connection)> hangUp;
};

// The connections reached through the given functions; a listing that fails raises, so that a caller
// that compares two listings never takes a failed one for "no connection was up".
std::unique_ptr<DialUpConnections> OpenDialUp(RemoteAccessFunctions functions);
