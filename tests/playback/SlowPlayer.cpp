// A skit player that never gets ready: it notes "waiting" and its process id in the file that
// SKITPLAYER_LOG names, then sleeps without a window or a message queue, as a player on a slow or busy
// machine would before its window comes up. The tests end it if the screensaver does not.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("SKITPLAYER_LOG", log, sizeof log);
    if (length > 0 && length < sizeof log) {
        if (std::FILE* out = std::fopen(log, "ab")) {
            std::fprintf(out, "waiting %lu\n", static_cast<unsigned long>(GetCurrentProcessId()));
            std::fclose(out);
        }
    }
    Sleep(120000);
    return 0;
}
