// A program that misbehaves on request, to prove that the Wine runner reports what it did, and that notes
// how it was started, for tests of what the program hands to the shell.
//   harness_probe crash       dies of an access violation
//   harness_probe exit N      says so, and ends with exit status N
//   harness_probe print TEXT  writes TEXT to standard output and ends with 0
// With HARNESS_PROBE_RECORD naming a file, whatever its arguments, it appends its command line exactly as it
// was given to that file as one line and ends with 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (const char* record = std::getenv("HARNESS_PROBE_RECORD")) {
        const std::string line = std::string(GetCommandLineA()) + "\n";
        std::FILE* file = std::fopen(record, "ab");
        if (file == nullptr) {
            return 1;
        }
        // One write, so that a reader never sees half a line.
        const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
        return std::fclose(file) == 0 && written ? 0 : 1;
    }
    if (argc >= 2 && std::strcmp(argv[1], "crash") == 0) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) {
        // Said first: the runner takes a failing program that wrote nothing for one Wine did not start.
        std::printf("ending with status %s\n", argv[2]);
        std::fflush(stdout);
        return std::atoi(argv[2]);
    }
    if (argc >= 3 && std::strcmp(argv[1], "print") == 0) {
        std::puts(argv[2]);
        std::fflush(stdout);
        return 0;
    }
    std::fputs("usage: harness_probe crash | exit N | print TEXT\n", stderr);
    return 2;
}
