#include "tools/paktool/PakTool.h"

#include <cstdio>
#include <iostream>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    // `paktool get` writes a resource's bytes as they are.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const int status = RunPakTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    // Standard output into a pipe is fully buffered under Windows: hand everything over before leaving.
    std::cout.flush();
    std::cerr.flush();
    return status;
}
