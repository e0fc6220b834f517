// The sound track of a video, played by Media Foundation's own media session: the movie's first audio
// stream, decoded and rendered by the system, started together with the pictures. Opened only when the
// screensaver's sound setting allows it; a movie without sound plays silently.
//
// The event log says "sound" when the track starts, and "sound failed" with the system's reason when
// the system cannot play it (no audio device, no decoder): the pictures play on, silent.
#pragma once

#include "support/WinHandles.h"
#include "tools/skitplayer/EventLog.h"

#include <mfidl.h>

#include <string>

class SoundTrack {
public:
    // Starts the first audio stream of the movie; does nothing when it has none. Media Foundation must
    // be started (the VideoMovie of the same file starts it) for as long as the track lives.
    SoundTrack(const std::string& path, EventLog& log);
    ~SoundTrack();
    SoundTrack(const SoundTrack&) = delete;
    SoundTrack& operator=(const SoundTrack&) = delete;

    // Looks at what the session reported since the last call, without waiting.
    void Poll();

private:
    void Fail(long result);
    bool Start(const std::wstring& path);

    EventLog& log_;
    // Shut down before they are let go, the session first.
    UniqueComInterface<IMFMediaSource> source_;
    UniqueComInterface<IMFMediaSession> session_;
    bool failed_ = false;
};
