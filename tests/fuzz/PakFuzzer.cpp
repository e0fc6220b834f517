// libFuzzer target: any bytes, opened as a pak, must give either resources or a clean error; never a
// crash, a read or write outside the file, or an allocation beyond the file's size.
//
// Each input is written to a file of this process's own, opened for reading (every live resource is
// read), then opened for writing, changed and closed, so that compaction meets hostile directories too.
#include "library/PakArchive.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

namespace {

const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/pak-fuzz-" + std::to_string(getpid()) + ".pak";
    }();
    return path;
}

void ReadEverything(PakArchive& pak) {
    for (std::uint32_t i = 0; i < pak.Count(); ++i) {
        const PakEntry entry = pak.Entry(i);
        if (!entry.deleted) {
            pak.Read(entry.type, entry.id);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = ScratchPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    try {
        PakArchive pak;
        pak.Open(path, false, nullptr, sys::kGenericRead);
        ReadEverything(pak);
        pak.Close();

        pak.Open(path, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
        pak.WriteText(kPakPSTR, kPakNextId, "a new text");
        if (pak.Count() > 0) {
            const PakEntry first = pak.Entry(0);
            if (!first.deleted) {
                pak.WriteText(first.type, first.id, std::string(first.size + 1, 'x'));
            }
        }
        pak.Close();

        pak.Open(path, false, nullptr, sys::kGenericRead);
        ReadEverything(pak);
    } catch (const std::exception&) {
        // A clean refusal is what a damaged pak should get.
    }
    return 0;
}
