// What the download tests share: the skit server of the SkitServer fixture, a memory sink, a window that
// hears download-done messages, and a dial-up service the test controls.
#pragma once

#include "library/DownloadJob.h"
#include "net/ByteSink.h"
#include "net/DialUp.h"
#include "tests/TestFiles.h"
#include "tests/gui/WindowTesting.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace net_testing {

// ---- The skit server ----------------------------------------------------------------------------------

inline int ServerPort() {
    std::ifstream in(ZOLVANE_SKITSERVER_PORT_FILE);
    int port = 0;
    in >> port;
    return port;
}

// An address on the server: "http://127.0.0.1:PORT" and the path.
inline std::string ServerUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(ServerPort()) + path;
}

// The lines the server wrote for the requests it answered: "GET /path?query STATUS BYTES".
inline std::vector<std::string> RequestLog() {
    return testing_files::ReadLines(std::string(ZOLVANE_SKITSERVER_PORT_FILE) + ".log");
}

inline bool ServerAnswered(const std::string& line) {
    for (const std::string& logged : RequestLog()) {
        if (logged == line) {
            return true;
        }
    }
    return false;
}

// A folder of its own in the server's root, as a path on the server ("/net-...") and on disk.
class ServedFolder {
public:
    ServedFolder() {
        static std::atomic<int> counter{0};
        name_ = "net-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        disk_ = std::filesystem::path(ZOLVANE_SKITSERVER_ROOT) / name_;
        std::filesystem::create_directories(disk_);
    }
    ~ServedFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(disk_, ignored);
    }
    ServedFolder(const ServedFolder&) = delete;
    ServedFolder& operator=(const ServedFolder&) = delete;

    // Puts a file there and returns its path on the server.
    std::string Put(const std::string& name, const std::string& bytes) const {
        testing_files::WriteFile(OnDisk(name), bytes);
        return At(name);
    }
    // A file's path on the server, and on the disk.
    std::string At(const std::string& name) const { return "/" + name_ + "/" + name; }
    std::string OnDisk(const std::string& name) const { return (disk_ / name).string(); }

private:
    std::string name_;
    std::filesystem::path disk_;
};

// Bytes that show where they came from: the text, numbered, until there are `size` bytes.
inline std::string SampleBytes(std::size_t size) {
    std::string bytes;
    for (int line = 0; bytes.size() < size; ++line) {
        bytes += "skit byte line " + std::to_string(line) + "\n";
    }
    bytes.resize(size);
    return bytes;
}

// ---- Sinks, windows, dial-up --------------------------------------------------------------------------

class MemorySink : public ByteSink {
public:
    void Rewind() override { bytes.clear(); }
    void Write(const void* data, std::uint32_t count) override { bytes.append(static_cast<const char*>(data), count); }
    std::string bytes;
};

// A message-only window that keeps the download-done messages it is sent.
class DoneListener {
public:
    struct Done {
        WPARAM first;
        LPARAM last;
    };

    DoneListener() {
        static const ATOM kClass = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = &DoneListener::Procedure;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "ZolvaneNetTestListener";
            return RegisterClassA(&windowClass);
        }();
        (void)kClass;
        window_ = CreateWindowExA(0, "ZolvaneNetTestListener", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~DoneListener() { DestroyWindow(window_); }
    DoneListener(const DoneListener&) = delete;
    DoneListener& operator=(const DoneListener&) = delete;

    HWND Window() const { return window_; }
    NotifyWindow Notify() const { return window_; }

    // Handles messages until the next download-done message; its last parameter, or -1 when none came.
    LPARAM WaitForDone() {
        const std::size_t seen = done.size();
        if (!testing_windows::PumpUntil([&] { return done.size() > seen; })) {
            ADD_FAILURE() << "no download-done message came";
            return -1;
        }
        return done.back().last;
    }

    std::vector<Done> done;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM first, LPARAM last) {
        auto* self = reinterpret_cast<DoneListener*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == kDownloadDoneMessage && self != nullptr) {
            self->done.push_back({first, last});
            return 0;
        }
        return DefWindowProcA(window, message, first, last);
    }

    HWND window_ = nullptr;
};

// What a fake dial-up service lists at each call, and what it was asked to do.
struct DialUpScript {
    std::vector<std::vector<DialUpHandle>> lists; // one per ListActive call; the last one repeats
    int listCalls = 0;
    std::vector<DialUpHandle> hungUp;
};

class FakeDialUp : public DialUpConnections {
public:
    explicit FakeDialUp(DialUpScript& script) : script_(script) {}
    std::vector<DialUpHandle> ListActive() override {
        const std::size_t call = static_cast<std::size_t>(script_.listCalls++);
        return script_.lists.empty() ? std::vector<DialUpHandle>{}
                                     : script_.lists[std::min(call, script_.lists.size() - 1)];
    }
    void HangUp(DialUpHandle connection) override { script_.hungUp.push_back(connection); }

private:
    DialUpScript& script_;
};

inline DialUpProvider NoDialUp() {
    return [] { return std::unique_ptr<DialUpConnections>(); };
}

} // namespace net_testing
