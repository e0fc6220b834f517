#include "tools/skitplayer/SoundTrack.h"

#include "support/WinHandles.h"
#include "tools/skitplayer/VideoMovie.h"

#include <mferror.h>

#include <mfapi.h>

SoundTrack::SoundTrack(const std::string& path, EventLog& log) : log_(log) {
    try {
        if (Start(MediaPath(path))) {
            log_.Write("sound");
        }
    } catch (...) {
        Fail(E_FAIL);
    }
}

SoundTrack::~SoundTrack() {
    if (session_) {
        session_.Get()->Close();
        session_.Get()->Shutdown();
    }
    if (source_) {
        source_.Get()->Shutdown();
    }
}

bool SoundTrack::Start(const std::wstring& path) {
    UniqueComInterface<IMFSourceResolver> resolver;
    HRESULT result = MFCreateSourceResolver(resolver.Out());
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    UniqueComInterface<IUnknown> object;
    if (SUCCEEDED(result)) {
        result =
            resolver.Get()->CreateObjectFromURL(path.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr, &type, object.Out());
    }
    if (SUCCEEDED(result)) {
        result = object.Get()->QueryInterface(IID_PPV_ARGS(source_.Out()));
    }
    UniqueComInterface<IMFPresentationDescriptor> presentation;
    UniqueComInterface<IMFTopology> topology;
    if (SUCCEEDED(result)) {
        result = source_.Get()->CreatePresentationDescriptor(presentation.Out());
    }
    if (SUCCEEDED(result)) {
        result = MFCreateTopology(topology.Out());
    }
    DWORD streams = 0;
    if (SUCCEEDED(result)) {
        result = presentation.Get()->GetStreamDescriptorCount(&streams);
    }
    bool audio = false;
    for (DWORD i = 0; SUCCEEDED(result) && i < streams; ++i) {
        BOOL selected = FALSE;
        UniqueComInterface<IMFStreamDescriptor> stream;
        UniqueComInterface<IMFMediaTypeHandler> handler;
        GUID major = GUID_NULL;
        result = presentation.Get()->GetStreamDescriptorByIndex(i, &selected, stream.Out());
        if (SUCCEEDED(result)) {
            result = stream.Get()->GetMediaTypeHandler(handler.Out());
        }
        if (SUCCEEDED(result)) {
            result = handler.Get()->GetMajorType(&major);
        }
        if (FAILED(result) || major != MFMediaType_Audio || audio) {
            presentation.Get()->DeselectStream(i);
            continue;
        }
        audio = true;
        presentation.Get()->SelectStream(i);
        // The source's stream, into the system's audio renderer; the session puts the decoder between.
        UniqueComInterface<IMFTopologyNode> from;
        UniqueComInterface<IMFTopologyNode> to;
        UniqueComInterface<IMFActivate> renderer;
        result = MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, from.Out());
        if (SUCCEEDED(result)) {
            from.Get()->SetUnknown(MF_TOPONODE_SOURCE, source_.Get());
            from.Get()->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, presentation.Get());
            from.Get()->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream.Get());
            result = MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, to.Out());
        }
        if (SUCCEEDED(result)) {
            result = MFCreateAudioRendererActivate(renderer.Out());
        }
        if (SUCCEEDED(result)) {
            to.Get()->SetObject(renderer.Get());
            topology.Get()->AddNode(from.Get());
            topology.Get()->AddNode(to.Get());
            result = from.Get()->ConnectOutput(0, to.Get(), 0);
        }
    }
    if (SUCCEEDED(result) && !audio) {
        return false;
    }
    if (SUCCEEDED(result)) {
        result = MFCreateMediaSession(nullptr, session_.Out());
    }
    if (SUCCEEDED(result)) {
        result = session_.Get()->SetTopology(0, topology.Get());
    }
    PROPVARIANT start;
    PropVariantInit(&start);
    if (SUCCEEDED(result)) {
        result = session_.Get()->Start(&GUID_NULL, &start);
    }
    if (FAILED(result)) {
        Fail(result);
        return false;
    }
    return true;
}

void SoundTrack::Poll() {
    if (!session_ || failed_) {
        return;
    }
    UniqueComInterface<IMFMediaEvent> event;
    while (!failed_ && SUCCEEDED(session_.Get()->GetEvent(MF_EVENT_FLAG_NO_WAIT, event.Out()))) {
        HRESULT status = S_OK;
        event.Get()->GetStatus(&status);
        if (FAILED(status)) {
            Fail(status);
        }
    }
}

void SoundTrack::Fail(long result) {
    failed_ = true;
    log_.Write("sound failed " + MediaResultText(result));
}
