#include "tools/paktool/PakTool.h"

#include "library/FileFinder.h"
#include "library/PakArchive.h"
#include "support/DiskFile.h"
#include "support/Error.h"
#include "tools/paktool/PakToolCommands.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <climits>
#include <cstdio>
#include <ostream>

namespace {

constexpr std::uint32_t kReadWrite = sys::kGenericRead | sys::kGenericWrite;

struct KnownType {
    const char* name;
    PakType value;
};

// The four types the program keeps, by the names skit authors know them by.
const KnownType kKnownTypes[] = {
    {"PSTR", kPakPSTR},
    {"SKIT", kPakSKIT},
    {"SYNC", kPakSYNC},
    {"SkOp", kPakSkOp},
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

} // namespace

void PakToolCommands::RunParsed() const {
    for (const auto& [command, run] : commands_) {
        if (command->parsed()) {
            run();
            return;
        }
    }
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
    throw EZolvaneError("Unknown resource type \"" + text + "\": use PSTR, SKIT, SYNC, SkOp or 0x and 8 hex digits.");
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

void AddPakCommands(CLI::App& app, PakToolCommands& commands, std::ostream& out) {
    // paktool new FILE [--scramble HEX16] [--force]
    {
        auto file = std::make_shared<std::string>();
        auto scramble = std::make_shared<std::string>();
        auto force = std::make_shared<bool>(false);
        CLI::App* command = app.add_subcommand("new", "Make a new, empty pak.");
        command->add_option("FILE", *file, "The pak to make")->required();
        command->add_option("--scramble", *scramble,
                            "Scramble program: 16 hex digits, four (opcode, operand) byte pairs; "
                            "without it nothing is scrambled");
        command->add_flag("--force", *force, "Replace FILE when it is there");
        commands.Add(command, [=, &out] {
            ScrambleProgram program = kNoScramble;
            if (!scramble->empty()) {
                program = ParseScrambleProgram(*scramble);
            }
            if (!*force && FileExists(*file)) {
                throw EZolvaneError(*file + " is already there; use --force to replace it.");
            }
            PakArchive pak;
            pak.Open(*file, true, &program, kReadWrite);
            pak.Close();
            out << "Made " << *file << "\n";
        });
    }
    // paktool put FILE TYPE ID (--text TEXT | --file PATH) [--scrambled]
    {
        auto file = std::make_shared<std::string>();
        auto type = std::make_shared<std::string>();
        auto id = std::make_shared<std::string>();
        auto text = std::make_shared<std::string>();
        auto source = std::make_shared<std::string>();
        auto scrambled = std::make_shared<bool>(false);
        CLI::App* command = app.add_subcommand("put", "Write one resource into a pak; prints the id used.");
        command->add_option("FILE", *file, "The pak")->required();
        command->add_option("TYPE", *type, "PSTR, SKIT, SYNC, SkOp, or 0x and 8 hex digits")->required();
        command->add_option("ID", *id, "A whole number, or next for the type's next free id")->required();
        CLI::Option* textOption = command->add_option("--text", *text, "Store this text and its terminating zero");
        CLI::Option* fileOption = command->add_option("--file", *source, "Store the bytes of this file");
        textOption->excludes(fileOption);
        command->add_flag("--scrambled", *scrambled, "Store it scrambled, when the pak scrambles");
        commands.Add(command, [=, &out] {
            if (textOption->count() == 0 && fileOption->count() == 0) {
                throw CLI::RequiredError("--text or --file");
            }
            const PakType pakType = ParsePakType(*type);
            const std::int32_t pakId = ParsePakId(*id, true);
            std::vector<std::uint8_t> bytes;
            if (fileOption->count() > 0) {
                const std::string contents = ReadWholeFile(*source);
                bytes.assign(contents.begin(), contents.end());
                if (bytes.empty()) {
                    throw EZolvaneError(*source + " is empty, and a resource holds at least one byte.");
                }
            } else {
                bytes.assign(text->begin(), text->end());
                bytes.push_back(0);
            }
            PakArchive pak;
            pak.Open(*file, false, nullptr, kReadWrite);
            const std::int32_t used = pak.Write(pakType, pakId, 0, *scrambled ? 1 : 0, bytes.data(),
                                                static_cast<std::uint32_t>(bytes.size()));
            pak.Close();
            out << used << "\n";
        });
    }
    // paktool get FILE TYPE ID [--out PATH]
    {
        auto file = std::make_shared<std::string>();
        auto type = std::make_shared<std::string>();
        auto id = std::make_shared<std::string>();
        auto target = std::make_shared<std::string>();
        CLI::App* command = app.add_subcommand("get", "Copy one resource's bytes to standard output or a file.");
        command->add_option("FILE", *file, "The pak")->required();
        command->add_option("TYPE", *type, "PSTR, SKIT, SYNC, SkOp, or 0x and 8 hex digits")->required();
        command->add_option("ID", *id, "The resource's id")->required();
        command->add_option("--out", *target, "Write the bytes to this file instead");
        commands.Add(command, [=, &out] {
            const PakType pakType = ParsePakType(*type);
            const std::int32_t pakId = ParsePakId(*id, false);
            PakArchive pak;
            pak.Open(*file, false, nullptr, sys::kGenericRead);
            if (pak.Find(pakType, pakId) < 0) {
                throw EZolvaneError(*file + " holds no " + PakTypeName(pakType) + " " + std::to_string(pakId) + ".");
            }
            const std::vector<std::uint8_t> bytes = pak.Read(pakType, pakId);
            pak.Close();
            if (target->empty()) {
                out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            } else {
                WriteWholeFile(*target, bytes);
            }
        });
    }
    // paktool list FILE
    {
        auto file = std::make_shared<std::string>();
        CLI::App* command = app.add_subcommand(
            "list", "One line per resource (type, id, offset, size, and \"scrambled\" when it is), then the "
                    "trailer: base, dataEnd, dirSize, capacity, count and the scramble program.");
        command->add_option("FILE", *file, "The pak")->required();
        commands.Add(command, [=, &out] {
            PakArchive pak;
            pak.Open(*file, false, nullptr, sys::kGenericRead);
            for (std::uint32_t i = 0; i < pak.Count(); ++i) {
                const PakEntry entry = pak.Entry(i);
                if (entry.deleted) {
                    continue;
                }
                out << PakTypeName(entry.type) << ' ' << entry.id << ' ' << entry.offset << ' ' << entry.size
                    << (entry.scrambled ? " scrambled" : "") << "\n";
            }
            out << "base " << pak.Base() << " dataEnd " << pak.DataEnd() << " dirSize " << pak.DirSize()
                << " capacity " << pak.Capacity() << " count " << pak.Count() << " scramble "
                << ScrambleText(pak.Scramble()) << "\n";
        });
    }
    // paktool compact FILE
    {
        auto file = std::make_shared<std::string>();
        CLI::App* command = app.add_subcommand("compact", "Rewrite a pak without the space its old data took.");
        command->add_option("FILE", *file, "The pak")->required();
        commands.Add(command, [=, &out] {
            PakArchive pak;
            pak.Open(*file, false, nullptr, kReadWrite);
            pak.Close();
            out << "Compacted " << *file << "\n";
        });
    }
}

int RunPakTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("Makes and inspects the pak files of the Zolvane Screensaver: ops files and skit lists.",
                 "paktool");
    app.require_subcommand(1);
    app.fallthrough(false);
    PakToolCommands commands;
    AddPakCommands(app, commands, out);
    AddCatalogCommands(app, commands, out);

    // CLI11 takes its arguments like main() does.
    std::vector<const char*> argv = {"paktool"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        err << "paktool: " << error.what() << "\n";
        err << "Run paktool --help, or paktool COMMAND --help, for more.\n";
        return 2;
    }
    try {
        commands.RunParsed();
    } catch (const CLI::ParseError& error) {
        err << "paktool: " << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        err << "paktool: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
