// The pieces paktool's commands are made of.
#pragma once

#include "library/PakScrambler.h"
#include "library/PakTypes.h"
#include "support/LocalTime.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

namespace CLI {
class App;
}

// The subcommands of one command line: the options each is given, and what each does with them.
class PakToolCommands {
public:
    // Gives command an Options of its own to fill; run works on it when the line chooses command.
    template <typename Options>
    Options& Add(CLI::App* command, void (*run)(const Options&, std::ostream&)) {
        auto options = std::make_shared<Options>();
        runs_[command] = [options, run](std::ostream& out) { run(*options, out); };
        return *options;
    }
    // Runs the command the line chose, once the line has been parsed.
    void Run(const CLI::App* chosen, std::ostream& out) const { runs_.at(chosen)(out); }

private:
    std::map<const CLI::App*, std::function<void(std::ostream&)>> runs_;
};

// new, put, get, list, compact.
void AddPakCommands(CLI::App& app, PakToolCommands& commands);

// make-ops, make-sync, show-ops, merge.
void AddCatalogCommands(CLI::App& app, PakToolCommands& commands);

// keygen, sign, verify.
void AddKeyCommands(CLI::App& app, PakToolCommands& commands);

// Throws when path is there and force does not allow replacing it.
void RefuseToReplace(const std::string& path, bool force);

// Local date-times as skit authors write them: 2025-01-31T18:00:00.
bool ParseLocalDateTime(const std::string& text, FileTime& time);
std::string FormatLocalDateTime(FileTime time);

// The program keeps its texts in the ANSI code page it runs with, Windows-1252; paktool's user writes
// and reads them in UTF-8. A text with a character that Windows-1252 lacks, or that is no UTF-8, gives
// false, and `refused` names what stopped it ("U+4E2D", or "bytes that are no UTF-8").
bool Utf8ToAnsi(const std::string& utf8, std::string& ansi, std::string& refused);
// The five bytes Windows-1252 leaves unassigned come out as U+FFFD.
std::string AnsiToUtf8(const std::string& ansi);

// PSTR, SKIT, SYNC, SkOp, SIGN, HASH, or 0x and 8 hex digits.
PakType ParsePakType(const std::string& text);
std::string PakTypeName(PakType type);
// A decimal id; with allowNext also "next", which asks for the type's next free id.
std::int32_t ParsePakId(const std::string& text, bool allowNext);
// 16 hex digits, the 8 bytes in order.
ScrambleProgram ParseScrambleProgram(const std::string& text);
