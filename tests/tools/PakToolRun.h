// paktool run in the test's own process, with what it printed and its exit status.
#pragma once

#include "tools/paktool/PakTool.h"

#include <sstream>
#include <string>
#include <vector>

struct PakToolOutcome {
    int status;
    std::string out;
    std::string err;
};

inline PakToolOutcome PakTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunPakTool(args, out, err);
    return {status, out.str(), err.str()};
}
