// What the internet connection costs, as far as downloads care: whether the system reports it as metered
// (a phone's hotspot, a plan that charges by the byte or has run over its limit), and the rule that keeps
// the downloads nobody asked for off such a connection.
//
// The rule, for the downloads the show starts by itself (the skit list at the second choice, and the skits
// that follow it in the same sequence):
//   metered  DownloadOnMetered  automatic download
//   no       any                starts
//   yes      0                  waits
//   yes      1                  starts
// The settings dialog's Download buttons are the user asking: they always fetch.
//
// The header is portable; the system's source is Windows only.
#pragma once

#include <memory>

class ConnectionCost {
public:
    virtual ~ConnectionCost() = default;
    // True when the system reports the connection as metered. A system that cannot say (one without the
    // cost interface, or where asking fails) counts as unmetered: nothing would ever download otherwise.
    virtual bool IsMetered() const = 0;
};

// What the trace log and the settings dialog say while automatic downloads wait.
constexpr const char* kAutomaticDownloadsWaitText = "Automatic downloads wait for an unmetered connection.";

// True when an automatic download must not start now. The cost is asked only when the setting leaves the
// answer to it.
inline bool AutomaticDownloadsWait(const ConnectionCost& cost, bool downloadOnMetered) {
    return !downloadOnMetered && cost.IsMetered();
}

// The system's own answer: the network list manager's cost of the machine's connections (Windows 8 and
// later). Each question initialises COM on the asking thread for as long as it takes.
std::unique_ptr<ConnectionCost> SystemConnectionCost();
