// The player's event log: one line per event appended to the file named by SKITPLAYER_LOG, so that
// whoever started the player can follow it. The file is opened, appended to and closed for each line,
// so it can be read while the player runs.
#pragma once

#include <string>

class EventLog {
public:
    // The file named by the environment variable SKITPLAYER_LOG; without it nothing is logged.
    static EventLog FromEnvironment();

    explicit EventLog(const std::string& path);
    // Never raises: a line that cannot be written is dropped, as a log must not stop the movie.
    void Write(const std::string& line) noexcept;

private:
    bool enabled_ = false;
};
