// paktool: makes and inspects paks, for skit authors and installers.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs one paktool command line (without the program's name). Output goes to out, errors to err as one
// line each. Returns the exit status: 0 done, 1 failed (the pak is left as it was), 2 a usage error.
int RunPakTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
