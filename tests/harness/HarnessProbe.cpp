// A program that misbehaves on request, to prove that the Wine runner reports what it did.
//   harness_probe crash       dies of an access violation
//   harness_probe exit N      says so, and ends with exit status N
//   harness_probe print TEXT  writes TEXT to standard output and ends with 0
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
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
