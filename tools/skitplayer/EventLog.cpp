#include "tools/skitplayer/EventLog.h"

#include "support/TraceLog.h"

#include <cstdlib>

EventLog EventLog::FromEnvironment() {
    const char* path = std::getenv("SKITPLAYER_LOG");
    return EventLog(path != nullptr ? path : "");
}

EventLog::EventLog(const std::string& path) {
    // The trace log's appender does the open-append-close; the player writes no trace lines of its own,
    // so the file holds the events alone.
    enabled_ = !path.empty() && TraceSetFile(path, true) == path;
}

void EventLog::Write(const std::string& line) noexcept {
    if (enabled_) {
        TraceAppendLine(line.c_str());
    }
}
