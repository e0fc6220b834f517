// What the stand-ins for the system's screensaver DLLs share: they talk to the test through small
// files in their own folder.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace fake_dll {

inline HINSTANCE& Instance() {
    static HINSTANCE instance = nullptr;
    return instance;
}

// A file beside the DLL.
inline std::string Beside(const char* name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(Instance(), path, sizeof path);
    std::string folder(path, length < sizeof path ? length : 0);
    folder.erase(folder.find_last_of('\\') + 1);
    return folder + name;
}

inline void AppendLine(const char* file, const std::string& line) {
    if (std::FILE* out = std::fopen(Beside(file).c_str(), "ab")) {
        std::fputs((line + "\n").c_str(), out);
        std::fclose(out);
    }
}

inline std::string FirstWord(const char* file) {
    char word[64] = "";
    if (std::FILE* in = std::fopen(Beside(file).c_str(), "rb")) {
        if (std::fscanf(in, "%63s", word) != 1) {
            word[0] = '\0';
        }
        std::fclose(in);
    }
    return word;
}

} // namespace fake_dll
