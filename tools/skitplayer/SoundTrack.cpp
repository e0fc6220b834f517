#include "tools/skitplayer/SoundTrack.h"

#include "tools/skitplayer/VideoMovie.h"

#include <mferror.h>

#include <mfapi.h>

#include <utility>

namespace {

// An owner of one COM reference.
template <class T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** Out() { return &pointer_; }
    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T* Release() { return std::exchange(pointer_, nullptr); }

private:
    T* pointer_ = nullptr;
};

} // namespace

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
    if (session_ != nullptr) {
        session_->Close();
        session_->Shutdown();
        session_->Release();
    }
    if (source_ != nullptr) {
        source_->Shutdown();
        source_->Release();
    }
}

bool SoundTrack::Start(const std::wstring& path) {
    Com<IMFSourceResolver> resolver;
    HRESULT result = MFCreateSourceResolver(resolver.Out());
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    Com<IUnknown> object;
    if (SUCCEEDED(result)) {
        result = resolver->CreateObjectFromURL(path.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr, &type, object.Out());
    }
    if (SUCCEEDED(result)) {
        result = object->QueryInterface(IID_PPV_ARGS(&source_));
    }
    Com<IMFPresentationDescriptor> presentation;
    Com<IMFTopology> topology;
    if (SUCCEEDED(result)) {
        result = source_->CreatePresentationDescriptor(presentation.Out());
    }
    if (SUCCEEDED(result)) {
        result = MFCreateTopology(topology.Out());
    }
    DWORD streams = 0;
    if (SUCCEEDED(result)) {
        result = presentation->GetStreamDescriptorCount(&streams);
    }
    bool audio = false;
    for (DWORD i = 0; SUCCEEDED(result) && i < streams; ++i) {
        BOOL selected = FALSE;
        Com<IMFStreamDescriptor> stream;
        Com<IMFMediaTypeHandler> handler;
        GUID major = GUID_NULL;
        result = presentation->GetStreamDescriptorByIndex(i, &selected, stream.Out());
        if (SUCCEEDED(result)) {
            result = stream->GetMediaTypeHandler(handler.Out());
        }
        if (SUCCEEDED(result)) {
            result = handler->GetMajorType(&major);
        }
        if (FAILED(result) || major != MFMediaType_Audio || audio) {
            presentation->DeselectStream(i);
            continue;
        }
        audio = true;
        presentation->SelectStream(i);
        // The source's stream, into the system's audio renderer; the session puts the decoder between.
        Com<IMFTopologyNode> from;
        Com<IMFTopologyNode> to;
        Com<IMFActivate> renderer;
        result = MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, from.Out());
        if (SUCCEEDED(result)) {
            from->SetUnknown(MF_TOPONODE_SOURCE, source_);
            from->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, presentation.Get());
            from->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream.Get());
            result = MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, to.Out());
        }
        if (SUCCEEDED(result)) {
            result = MFCreateAudioRendererActivate(renderer.Out());
        }
        if (SUCCEEDED(result)) {
            to->SetObject(renderer.Get());
            topology->AddNode(from.Get());
            topology->AddNode(to.Get());
            result = from->ConnectOutput(0, to.Get(), 0);
        }
    }
    if (SUCCEEDED(result) && !audio) {
        return false;
    }
    if (SUCCEEDED(result)) {
        result = MFCreateMediaSession(nullptr, &session_);
    }
    if (SUCCEEDED(result)) {
        result = session_->SetTopology(0, topology.Get());
    }
    PROPVARIANT start;
    PropVariantInit(&start);
    if (SUCCEEDED(result)) {
        result = session_->Start(&GUID_NULL, &start);
    }
    if (FAILED(result)) {
        Fail(result);
        return false;
    }
    return true;
}

void SoundTrack::Poll() {
    if (session_ == nullptr || failed_) {
        return;
    }
    IMFMediaEvent* event = nullptr;
    while (!failed_ && SUCCEEDED(session_->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event))) {
        HRESULT status = S_OK;
        event->GetStatus(&status);
        event->Release();
        if (FAILED(status)) {
            Fail(status);
        }
    }
}

void SoundTrack::Fail(long result) {
    failed_ = true;
    log_.Write("sound failed " + MediaResultText(result));
}
