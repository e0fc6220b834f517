#include "tools/paktool/PakTool.h"

#include "library/FileFinder.h"
#include "library/PakArchive.h"
#include "support/DiskFile.h"
#include "support/Error.h"
#include "tools/paktool/PakToolCommands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <iterator>
#include <optional>
#include <ostream>

namespace {

constexpr std::uint32_t kReadWrite = sys::kGenericRead | sys::kGenericWrite;

struct KnownType {
    const char* name;
    PakType value;
};

// The types the program keeps, by the names skit authors know them by.
const KnownType kKnownTypes[] = {
    {"PSTR", kPakPSTR}, {"SKIT", kPakSKIT}, {"SYNC", kPakSYNC},
    {"SkOp", kPakSkOp}, {"SIGN", kPakSIGN}, {"HASH", kPakHASH},
};

bool ParseHex(const std::string& digits, std::uint64_t& value) {
    if (digits.empty() || digits.size() > 16) {
        return false;
    }
    value = 0;
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        value = value * 16 + static_cast<std::uint64_t>(std::isdigit(static_cast<unsigned char>(c))
                                                            ? c - '0'
                                                            : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    }
    return true;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    DiskFile file;
    file.Create(path, sys::kAttrNormal, sys::kShareRead);
    if (!bytes.empty()) {
        file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
}

std::string ScrambleText(const ScrambleProgram& program) {
    std::string text;
    char digits[3];
    for (const std::uint8_t byte : program) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

// paktool new FILE [--scramble HEX16] [--force]
struct NewOptions {
    std::string file, scramble;
    bool force = false;
};

void MakePak(const NewOptions& options, std::ostream& out) {
    const ScrambleProgram program = options.scramble.empty() ? kNoScramble : ParseScrambleProgram(options.scramble);
    RefuseToReplace(options.file, options.force);
    PakArchive pak;
    pak.Open(options.file, true, &program, kReadWrite);
    pak.Close();
    out << "Made " << options.file << "\n";
}

// FILE TYPE ID: a pak and one resource in it.
struct ResourceOptions {
    std::string file, type, id;
};

// paktool put FILE TYPE ID (--text TEXT | --file PATH) [--scrambled]
struct PutOptions : ResourceOptions {
    std::optional<std::string> text, source;
    bool scrambled = false;
};

void PutResource(const PutOptions& options, std::ostream& out) {
    if (!options.text && !options.source) {
        throw CLI::RequiredError("--text or --file");
    }
    const PakType type = ParsePakType(options.type);
    const std::int32_t id = ParsePakId(options.id, true);
    // A text is stored with its terminating zero.
    const std::string bytes = options.source ? ReadWholeFile(*options.source) : *options.text + '\0';
    if (bytes.empty()) {
        throw EZolvaneError(*options.source + " is empty, and a resource holds at least one byte.");
    }
    PakArchive pak;
    pak.Open(options.file, false, nullptr, kReadWrite);
    const std::int32_t used =
        pak.Write(type, id, 0, options.scrambled ? 1 : 0, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    pak.Close();
    out << used << "\n";
}

// paktool get FILE TYPE ID [--out PATH]
struct GetOptions : ResourceOptions {
    std::string target;
};

void GetResource(const GetOptions& options, std::ostream& out) {
    const PakType type = ParsePakType(options.type);
    const std::int32_t id = ParsePakId(options.id, false);
    PakArchive pak;
    pak.Open(options.file, false, nullptr, sys::kGenericRead);
    if (pak.Find(type, id) < 0) {
        throw EZolvaneError(options.file + " holds no " + PakTypeName(type) + " " + std::to_string(id) + ".");
    }
    const std::vector<std::uint8_t> bytes = pak.Read(type, id);
    pak.Close();
    if (options.target.empty()) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    } else {
        WriteWholeFile(options.target, bytes);
    }
}

void ListPak(const std::string& file, std::ostream& out) {
    PakArchive pak;
    pak.Open(file, false, nullptr, sys::kGenericRead);
    for (std::uint32_t i = 0; i < pak.Count(); ++i) {
        const PakEntry entry = pak.Entry(i);
        if (entry.deleted) {
            continue;
        }
        out << PakTypeName(entry.type) << ' ' << entry.id << ' ' << entry.offset << ' ' << entry.size
            << (entry.scrambled ? " scrambled" : "") << "\n";
    }
    out << "base " << pak.Base() << " dataEnd " << pak.DataEnd() << " dirSize " << pak.DirSize() << " capacity "
        << pak.Capacity() << " count " << pak.Count() << " scramble " << ScrambleText(pak.Scramble()) << "\n";
}

void CompactPak(const std::string& file, std::ostream& out) {
    PakArchive pak;
    pak.Open(file, false, nullptr, kReadWrite);
    pak.Close();
    out << "Compacted " << file << "\n";
}

} // namespace

void RefuseToReplace(const std::string& path, bool force) {
    if (!force && FileExists(path)) {
        throw EZolvaneError(path + " is already there; use --force to replace it.");
    }
}

namespace {

// What Windows-1252 puts at 0x80 to 0x9F; 0 where it puts nothing.
constexpr char32_t kAnsi80To9F[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The next character of a UTF-8 text, or false when the bytes at `at` start none (an overlong form and
// a surrogate are none either).
bool NextCharacter(const std::string& text, std::size_t& at, char32_t& character) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || at + length > text.size()) {
        return false;
    }
    character = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        character = (character << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (character < kSmallest[length] || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
        return false;
    }
    at += length;
    return true;
}

void AppendUtf8(std::string& text, char32_t character) {
    if (character < 0x80) {
        text += static_cast<char>(character);
    } else if (character < 0x800) {
        text += static_cast<char>(0xC0 | (character >> 6));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (character >> 12));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    }
}

} // namespace

bool Utf8ToAnsi(const std::string& utf8, std::string& ansi, std::string& refused) {
    ansi.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t character = 0;
        if (!NextCharacter(utf8, at, character)) {
            refused = "bytes that are no UTF-8";
            return false;
        }
        if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
            ansi += static_cast<char>(character);
            continue;
        }
        const char32_t* const end = std::end(kAnsi80To9F);
        const char32_t* const found = character > 0xFF ? std::find(std::begin(kAnsi80To9F), end, character) : end;
        if (found == end) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(character));
            refused = name;
            return false;
        }
        ansi += static_cast<char>(0x80 + (found - std::begin(kAnsi80To9F)));
    }
    return true;
}

std::string AnsiToUtf8(const std::string& ansi) {
    std::string utf8;
    for (const char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t mapped = byte >= 0x80 && byte <= 0x9F ? kAnsi80To9F[byte - 0x80] : byte;
        AppendUtf8(utf8, mapped != 0 ? mapped : char32_t{0xFFFD});
    }
    return utf8;
}

PakType ParsePakType(const std::string& text) {
    for (const KnownType& known : kKnownTypes) {
        if (text == known.name) {
            return known.value;
        }
    }
    std::uint64_t value = 0;
    if (text.size() == 10 && (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0) &&
        ParseHex(text.substr(2), value)) {
        return static_cast<PakType>(value);
    }
    throw EZolvaneError("Unknown resource type \"" + text +
                        "\": use PSTR, SKIT, SYNC, SkOp, SIGN, HASH or 0x and 8 hex digits.");
}

std::string PakTypeName(PakType type) {
    for (const KnownType& known : kKnownTypes) {
        if (type == known.value) {
            return known.name;
        }
    }
    char hex[11];
    std::snprintf(hex, sizeof hex, "0x%08X", type);
    return hex;
}

std::int32_t ParsePakId(const std::string& text, bool allowNext) {
    if (allowNext && text == "next") {
        return kPakNextId;
    }
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    // With "next" allowed, the number that stands for it is no id of its own.
    if (used == 0 || used != text.size() || value < INT32_MIN || value > INT32_MAX ||
        (allowNext && value == kPakNextId)) {
        throw EZolvaneError("Bad resource id \"" + text + "\": use a whole number from -2147483648 to 2147483647" +
                            (allowNext ? " (but not -1879048193), or next." : "."));
    }
    return static_cast<std::int32_t>(value);
}

ScrambleProgram ParseScrambleProgram(const std::string& text) {
    std::uint64_t value = 0;
    if (text.size() != 16 || !ParseHex(text, value)) {
        throw EZolvaneError("Bad scramble program \"" + text + "\": use 16 hex digits, two for each of the 8 bytes.");
    }
    ScrambleProgram program;
    for (std::size_t i = 0; i < program.size(); ++i) {
        program[i] = static_cast<std::uint8_t>(value >> (8 * (program.size() - 1 - i)));
    }
    return program;
}

void AddPakCommands(CLI::App& app, PakToolCommands& commands) {
    const auto addResource = [](CLI::App* command, ResourceOptions& options, const char* idHelp) {
        command->add_option("FILE", options.file, "The pak")->required();
        command->add_option("TYPE", options.type, "PSTR, SKIT, SYNC, SkOp, SIGN, HASH, or 0x and 8 hex digits")
            ->required();
        command->add_option("ID", options.id, idHelp)->required();
    };
    {
        CLI::App* command = app.add_subcommand("new", "Make a new, empty pak.");
        NewOptions& options = commands.Add(command, MakePak);
        command->add_option("FILE", options.file, "The pak to make")->required();
        command->add_option("--scramble", options.scramble,
                            "Scramble program: 16 hex digits, four (opcode, operand) byte pairs; "
                            "without it nothing is scrambled");
        command->add_flag("--force", options.force, "Replace FILE when it is there");
    }
    {
        CLI::App* command = app.add_subcommand("put", "Write one resource into a pak; prints the id used.");
        PutOptions& options = commands.Add(command, PutResource);
        addResource(command, options, "A whole number, or next for the type's next free id");
        CLI::Option* text = command->add_option("--text", options.text, "Store this text and its terminating zero");
        text->excludes(command->add_option("--file", options.source, "Store the bytes of this file"));
        command->add_flag("--scrambled", options.scrambled, "Store it scrambled, when the pak scrambles");
    }
    {
        CLI::App* command = app.add_subcommand("get", "Copy one resource's bytes to standard output or a file.");
        GetOptions& options = commands.Add(command, GetResource);
        addResource(command, options, "The resource's id");
        command->add_option("--out", options.target, "Write the bytes to this file instead");
    }
    {
        CLI::App* command = app.add_subcommand(
            "list", "One line per resource (type, id, offset, size, and \"scrambled\" when it is), then the "
                    "trailer: base, dataEnd, dirSize, capacity, count and the scramble program.");
        command->add_option("FILE", commands.Add(command, ListPak), "The pak")->required();
    }
    {
        CLI::App* command = app.add_subcommand("compact", "Rewrite a pak without the space its old data took.");
        command->add_option("FILE", commands.Add(command, CompactPak), "The pak")->required();
    }
}

int RunPakTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("Makes and inspects the pak files of the Zolvane Screensaver: ops files and skit lists.", "paktool");
    app.require_subcommand(1);
    PakToolCommands commands;
    AddPakCommands(app, commands);
    AddCatalogCommands(app, commands);
    AddKeyCommands(app, commands);

    try {
        // CLI11 takes the arguments last to first.
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        err << "paktool: " << error.what() << "\n";
        err << "Run paktool --help, or paktool COMMAND --help, for more.\n";
        return 2;
    }
    try {
        commands.Run(app.get_subcommands().front(), out);
    } catch (const CLI::ParseError& error) {
        err << "paktool: " << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        err << "paktool: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
