// The pieces paktool's commands are made of.
#pragma once

#include "library/PakScrambler.h"
#include "library/PakTypes.h"
#include "support/LocalTime.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

// The subcommands of one command line and what each does once the line has been parsed.
class PakToolCommands {
public:
    void Add(CLI::App* command, std::function<void()> run) { commands_.emplace_back(command, std::move(run)); }
    // Runs the command the line chose.
    void RunParsed() const;

private:
    std::vector<std::pair<CLI::App*, std::function<void()>>> commands_;
};

// new, put, get, list, compact.
void AddPakCommands(CLI::App& app, PakToolCommands& commands, std::ostream& out);

// make-ops, make-sync, show-ops, merge.
void AddCatalogCommands(CLI::App& app, PakToolCommands& commands, std::ostream& out);

// Local date-times as skit authors write them: 2025-01-31T18:00:00.
bool ParseLocalDateTime(const std::string& text, FileTime& time);
std::string FormatLocalDateTime(FileTime time);

// PSTR, SKIT, SYNC, SkOp, or 0x and 8 hex digits.
PakType ParsePakType(const std::string& text);
std::string PakTypeName(PakType type);
// A decimal id; with allowNext also "next", which asks for the type's next free id.
std::int32_t ParsePakId(const std::string& text, bool allowNext);
// 16 hex digits, the 8 bytes in order.
ScrambleProgram ParseScrambleProgram(const std::string& text);
