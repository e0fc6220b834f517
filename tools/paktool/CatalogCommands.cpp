// paktool's commands for the skit library: a first ops file for an installer, a skit list from a
// manifest for a skit author, a look into an ops file, and a merge as the program would do it.
#include "library/FileFinder.h"
#include "library/ListSignature.h"
#include "library/PakArchive.h"
#include "library/Paths.h"
#include "library/SkitCatalog.h"
#include "library/SkitFileWriters.h"
#include "support/DiskFile.h"
#include "support/Error.h"
#include "tools/paktool/PakToolCommands.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <ostream>
#include <random>
#include <set>

namespace {

using Json = nlohmann::json;

const char* const kKindNames[] = {"special", "regular", "timed"};
const char* const kStateNames[] = {"remove", "available", "scheduled", "downloaded", "failed"};
const char* const kPlayNames[] = {"no", "afterDownload", "yes"};

template <std::size_t N>
std::string NameOf(const char* const (&names)[N], std::uint8_t value) {
    return value < N ? names[value] : std::to_string(value);
}

// A skit list names no end to a skit's window by leaving it out: the window then stays open.
constexpr FileTime kOpenEnded = 2650467743990000000ull; // 9999-12-31T23:59:59

class ManifestError : public EZolvaneError {
public:
    using EZolvaneError::EZolvaneError;
};

// One object of the manifest, read field by field; every error names where it is.
class ManifestObject {
public:
    ManifestObject(const Json& json, std::string where) : json_(json), where_(std::move(where)) {
        if (!json_.is_object()) {
            Fail("is not an object");
        }
    }

    bool Has(const char* field) const { return json_.contains(field); }
    // A field read elsewhere, which CheckAllUsed must not take for a typing mistake.
    void Allow(const char* field) { used_.insert(field); }

    std::string Text(const char* field, const char* fallback = nullptr) {
        const Json* value = Take(field, fallback != nullptr);
        if (value == nullptr) {
            return fallback;
        }
        if (!value->is_string()) {
            FailField(field, "is not a text");
        }
        std::string ansi;
        std::string refused;
        if (!Utf8ToAnsi(value->get<std::string>(), ansi, refused)) {
            FailField(field, "holds " + refused + ", which the program's code page, Windows-1252, does not have");
        }
        return ansi;
    }

    std::int64_t Number(const char* field, std::int64_t low, std::int64_t high, std::int64_t fallback,
                        bool required = false) {
        const Json* value = Take(field, !required);
        if (value == nullptr) {
            return fallback;
        }
        if (!value->is_number_integer()) {
            FailField(field, "is not a whole number");
        }
        const std::int64_t number =
            value->is_number_unsigned() && value->get<std::uint64_t>() > static_cast<std::uint64_t>(high)
                ? high + 1
                : value->get<std::int64_t>();
        if (number < low || number > high) {
            FailField(field, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
        }
        return number;
    }

    template <std::size_t N>
    std::uint8_t Choice(const char* field, const char* const (&names)[N], std::uint8_t fallback) {
        const Json* value = Take(field, true);
        if (value == nullptr) {
            return fallback;
        }
        if (value->is_number_integer()) {
            const std::int64_t number = value->get<std::int64_t>();
            if (number >= 0 && number <= 255) {
                return static_cast<std::uint8_t>(number);
            }
        } else if (value->is_string()) {
            for (std::size_t i = 0; i < N; ++i) {
                if (value->get<std::string>() == names[i]) {
                    return static_cast<std::uint8_t>(i);
                }
            }
        }
        std::string allowed;
        for (std::size_t i = 0; i < N; ++i) {
            allowed += (i == 0 ? "" : ", ") + std::string(names[i]);
        }
        FailField(field, "must be one of " + allowed + ", or a number from 0 to 255");
    }

    FileTime DateTime(const char* field, FileTime fallback) {
        const Json* value = Take(field, true);
        if (value == nullptr) {
            return fallback;
        }
        FileTime time = 0;
        if (!value->is_string() || !ParseLocalDateTime(value->get<std::string>(), time)) {
            FailField(field, "is not a local date and time like 2025-01-31T18:00:00");
        }
        return time;
    }

    // Fields the manifest has that nobody asked for are typing mistakes.
    void CheckAllUsed() const {
        for (auto it = json_.begin(); it != json_.end(); ++it) {
            if (used_.count(it.key()) == 0) {
                Fail("has the unknown field \"" + it.key() + "\"");
            }
        }
    }

    [[noreturn]] void Fail(const std::string& what) const { throw ManifestError(where_ + " " + what + "."); }
    [[noreturn]] void FailField(const char* field, const std::string& what) const {
        throw ManifestError(where_ + ", field \"" + field + "\", " + what + ".");
    }

private:
    const Json* Take(const char* field, bool optional) {
        used_.insert(field);
        if (!json_.contains(field)) {
            if (optional) {
                return nullptr;
            }
            FailField(field, "is missing");
        }
        return &json_.at(field);
    }

    const Json& json_;
    std::string where_;
    std::set<std::string> used_;
};

constexpr std::int64_t kU32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();

// A movie digest as authors write it: 64 hex digits.
std::optional<sys::Sha256Digest> ParseDigest(const std::string& text) {
    sys::Sha256Digest digest{};
    if (text.size() != 2 * digest.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        const char* const digits = "0123456789abcdef";
        const char* const found = c == '\0' ? nullptr : std::strchr(digits, c);
        if (found == nullptr) {
            return std::nullopt;
        }
        digest[i / 2] = static_cast<std::uint8_t>((digest[i / 2] << 4) | (found - digits));
    }
    return digest;
}

SkitRecord SkitFromManifest(const Json& json, std::size_t index, std::optional<sys::Sha256Digest>& digest) {
    std::string where = "The manifest's skit " + std::to_string(index + 1);
    if (json.is_object() && json.contains("id") && json["id"].is_number_integer()) {
        where += " (id " + std::to_string(json["id"].get<std::int64_t>()) + ")";
    }
    ManifestObject object(json, where);
    SkitRecord skit;
    skit.kind = object.Choice("kind", kKindNames, skRegular);
    skit.id = static_cast<std::int32_t>(object.Number("id", kI32Min, kI32Max, 0, true));
    skit.flags = static_cast<std::uint32_t>(object.Number("flags", 0, kU32Max, 0));
    skit.version = static_cast<std::uint32_t>(object.Number("version", 0, kU32Max, 1));
    skit.name.text = object.Text("name");
    skit.fileName.text = object.Text("fileName");
    skit.description.text = object.Text("description", "");
    skit.url.text = object.Text("url");
    skit.contentStamp = static_cast<std::int32_t>(object.Number("contentStamp", kI32Min, kI32Max, 0));
    skit.play = object.Choice("play", kPlayNames, pcNo);
    skit.state = object.Choice("state", kStateNames, dsAvailable);
    skit.plays = static_cast<std::int32_t>(object.Number("plays", kI32Min, kI32Max, 0));
    skit.playsLeft = static_cast<std::int32_t>(object.Number("playsLeft", kI32Min, kI32Max, -1));
    skit.availableFrom = object.DateTime("availableFrom", 0);
    skit.availableUntil = object.DateTime("availableUntil", kOpenEnded);
    skit.keyCode = static_cast<std::int32_t>(object.Number("keyCode", kI32Min, kI32Max, 0));
    skit.keyAction = static_cast<std::uint8_t>(object.Number("keyAction", 0, 255, 0));
    skit.keyText.text = object.Text("keyText", "");
    skit.updateMask = static_cast<std::uint32_t>(object.Number("updateMask", 0, kU32Max, 0));
    if (object.Has("sha256")) {
        digest = ParseDigest(object.Text("sha256"));
        if (!digest) {
            object.FailField("sha256", "is not the 64 hex digits of a SHA-256 digest");
        }
    }
    object.CheckAllUsed();
    return skit;
}

// paktool make-ops OUT --list-url URL --list-file NAME [--interval-days N]
//                  [--timed-interval N --timed-plays-per-start N] [--force]
struct MakeOpsOptions {
    std::string target, listUrl, listFile;
    std::uint32_t intervalDays = 7;
    std::int32_t timedInterval = 0, timedPlays = 0;
    bool force = false;
};

void MakeOps(const MakeOpsOptions& options, std::ostream& out) {
    RefuseToReplace(options.target, options.force);
    OpsHeader header;
    header.listUrl.text = options.listUrl;
    header.listFileName.text = options.listFile;
    header.listIntervalDays = options.intervalDays;
    header.timedInterval = header.timedCountdown = options.timedInterval;
    header.timedPlaysPerStart = header.timedPlaysLeft = options.timedPlays;
    header.timedEnabled = options.timedInterval != 0 ? 1 : 0;
    WriteOpsFile(options.target, header, {});
    out << "Made " << options.target << "\n";
}

// paktool make-sync MANIFEST.json OUT [--movies DIR]
struct MakeSyncOptions {
    std::string manifest, target, movies;
};

void MakeSync(const MakeSyncOptions& options, std::ostream& out) {
    std::error_code ignored;
    if (!options.movies.empty() && !std::filesystem::is_directory(options.movies, ignored)) {
        throw EZolvaneError("The movies folder " + options.movies + " is not there.");
    }
    std::ifstream in(options.manifest, std::ios::binary);
    if (!in) {
        throw EZolvaneError("The manifest " + options.manifest + " cannot be read.");
    }
    Json manifest;
    try {
        manifest = Json::parse(in);
    } catch (const Json::parse_error& error) {
        throw ManifestError("The manifest " + options.manifest + " is not JSON: " + error.what());
    }
    ManifestObject top(manifest, "The manifest");
    SyncHeader header;
    header.listVersion = static_cast<std::uint32_t>(top.Number("listVersion", 0, kU32Max, 1));
    header.listUrl.text = top.Text("listUrl");
    header.syncValueA = static_cast<std::uint32_t>(top.Number("syncValueA", 0, kU32Max, 0));
    header.syncValueB = static_cast<std::uint32_t>(top.Number("syncValueB", 0, kU32Max, 0));
    header.timedInterval = static_cast<std::uint32_t>(top.Number("timedInterval", 0, kU32Max, 0));
    header.listIntervalDays = static_cast<std::uint32_t>(top.Number("listIntervalDays", 0, kU32Max, 7));
    std::vector<SkitRecord> skits;
    std::vector<std::optional<sys::Sha256Digest>> digests;
    if (top.Has("skits")) {
        const Json& list = manifest["skits"];
        if (!list.is_array()) {
            top.FailField("skits", "is not a list");
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            digests.emplace_back();
            skits.push_back(SkitFromManifest(list[i], i, digests.back()));
        }
    }
    top.Allow("skits");
    top.CheckAllUsed();
    // The manifest's own digest wins over the file's, for a movie that the folder has in another version.
    for (std::size_t i = 0; i < skits.size() && !options.movies.empty(); ++i) {
#if defined(_WIN32)
        const std::string movie = JoinPath(options.movies, skits[i].fileName.text);
#else
        const std::string movie = JoinPath(options.movies, AnsiToUtf8(skits[i].fileName.text));
#endif
        if (!digests[i] && AnyFileExists(movie)) {
            digests[i] = sys::Sha256OfFile(movie);
        }
    }
    // Each digest goes into the list as the HASH of its skit's number.
    std::size_t withDigest = 0;
    for (std::size_t i = 0; i < skits.size(); ++i) {
        SetMovieDigest(skits[i], digests[i]);
        withDigest += digests[i] ? 1 : 0;
    }
    WriteSyncFile(options.target, header, skits);
    out << "Made " << options.target << " with " << skits.size() << " skit" << (skits.size() == 1 ? "" : "s");
    if (withDigest > 0) {
        out << ", " << withDigest << " with a movie digest";
    }
    out << "\n";
}

std::string SkitLine(const SkitRecord& record) {
    return NameOf(kKindNames, record.kind) + " " + std::to_string(record.id) + " v" + std::to_string(record.version) +
           " " + NameOf(kStateNames, record.state) + " play " + NameOf(kPlayNames, record.play) + " plays " +
           std::to_string(record.plays) + " left " + std::to_string(record.playsLeft) + " " +
           FormatLocalDateTime(record.availableFrom) + ".." + FormatLocalDateTime(record.availableUntil) + " " +
           AnsiToUtf8(record.fileName.text) + " \"" + AnsiToUtf8(record.name.text) + "\"";
}

void ShowOps(const std::string& path, std::ostream& out) {
    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    std::vector<std::uint8_t> block = pak.Read(kPakSkOp, 0);
    if (block.size() < kOpsBlockSize) {
        throw EZolvaneError("The file is missing or corrupt. " + path);
    }
    const OpsHeader header = ReadOpsHeader(block);
    auto text = [&](std::int32_t id) { return TextOfResource(pak.Read(kPakPSTR, id)); };
    out << "listVersion " << header.listVersion << " listIntervalDays " << header.listIntervalDays << " lastListUpdate "
        << FormatLocalDateTime(header.lastListUpdate) << "\n";
    out << "listUrl " << AnsiToUtf8(text(header.listUrl.id)) << "\n";
    out << "listFileName " << AnsiToUtf8(text(header.listFileName.id)) << "\n";
    out << "timedEnabled " << int{header.timedEnabled} << " timedInterval " << header.timedInterval
        << " timedCountdown " << header.timedCountdown << " timedPlaysPerStart " << header.timedPlaysPerStart
        << " timedPlaysLeft " << header.timedPlaysLeft << " timedPlaysTotal " << header.timedPlaysTotal
        << " lastTimedId " << header.lastTimedId << "\n";
    out << "syncValueA " << header.syncValueA << " syncValueB " << header.syncValueB << " lastRegularId "
        << header.lastRegularId << " count " << header.count << "\n";
    for (std::uint32_t i = 0; i < header.count && i < kMaxSkits; ++i) {
        SkitRecord record = ReadSkitRecord(block, OpsRecordOffset(i));
        record.name.text = text(record.name.id);
        record.fileName.text = text(record.fileName.id);
        out << SkitLine(record) << "\n";
    }
}

// The settings a merge runs with: given on the command line instead of the registry.
class ToolEnvironment : public CatalogEnvironment {
public:
    std::string SkitsPath() const override { return skits; }
    std::string DownloadPath() const override { return downloads; }
    std::string OpsFilePath() const override { return ops; }
    std::string LogPath() const override { return std::string(); }
    std::uint8_t SyncMethod() const override { return syncMethod; }
    FileTime Now() const override { return now; }

    std::string skits, downloads, ops;
    std::uint8_t syncMethod = smAutomatic;
    FileTime now = NowAsLocalFileTime();
};

void ReportChanges(const std::vector<SkitRecord>& before, const SkitCatalog& catalog, std::ostream& out) {
    int changes = 0;
    for (const SkitRecord& record : catalog.Records()) {
        const auto old = std::find_if(before.begin(), before.end(),
                                      [&](const SkitRecord& r) { return r.kind == record.kind && r.id == record.id; });
        if (old == before.end()) {
            out << "added   " << SkitLine(record) << "\n";
            ++changes;
        } else if (SkitLine(*old) != SkitLine(record) || old->url.text != record.url.text ||
                   old->description.text != record.description.text || old->keyText.text != record.keyText.text) {
            out << "updated " << SkitLine(record) << "\n";
            ++changes;
        }
    }
    if (changes == 0) {
        out << "No skit changed.\n";
    }
}

// paktool merge OPS SYNC --skits DIR [--sync-method N] [--now ISO]
struct MergeOptions {
    std::string ops, sync, skits, now;
    int syncMethod = smAutomatic;
};

void Merge(const MergeOptions& options, std::ostream& out) {
    ToolEnvironment environment;
    environment.ops = options.ops;
    environment.skits = options.skits;
    SplitPath(options.sync, &environment.downloads, nullptr);
    environment.syncMethod = static_cast<std::uint8_t>(options.syncMethod);
    if (!options.now.empty() && !ParseLocalDateTime(options.now, environment.now)) {
        throw EZolvaneError("Bad time \"" + options.now + "\": use a local date and time like 2025-01-31T18:00:00.");
    }
    if (!FileExists(options.sync)) {
        throw EZolvaneError("The skit list " + options.sync + " is not there.");
    }
    SkitCatalog catalog(environment, nullptr, false);
    const std::vector<SkitRecord> before = catalog.Records();
    catalog.MergeDownloadedList(options.sync);
    ReportChanges(before, catalog, out);
    catalog.Close();
}

// paktool simulate OPS --skits DIR --picks N [--now ISO]
struct SimulateOptions {
    std::string ops, skits, now;
    int picks = 10;
};

void Simulate(const SimulateOptions& options, std::ostream& out) {
    ToolEnvironment environment;
    if (!options.now.empty() && !ParseLocalDateTime(options.now, environment.now)) {
        throw EZolvaneError("Bad time \"" + options.now + "\": use a local date and time like 2025-01-31T18:00:00.");
    }
    if (!FileExists(options.ops)) {
        throw EZolvaneError("The ops file " + options.ops + " is not there.");
    }
    // Opening a catalogue merges a skit list left in the skits folder and deletes it.
    if (FileExists(JoinPath(options.skits, kStartupSyncFile))) {
        throw EZolvaneError(std::string("The skits folder holds ") + kStartupSyncFile +
                            ", which the screensaver merges when it next starts; simulate leaves it alone. Merge it "
                            "first (paktool merge) or move it away.");
    }
    // The picks count plays and move the rotation on: they go to a copy of the ops file, which goes again.
    namespace fs = std::filesystem;
    fs::path scratch;
    std::random_device random;
    do {
        scratch = fs::temp_directory_path() / ("paktool-simulate-" + std::to_string(random()));
    } while (!fs::create_directory(scratch));
    struct RemoveScratch {
        fs::path folder;
        ~RemoveScratch() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } removeScratch{scratch};
    environment.ops = (scratch / "simulate.ops").string();
    environment.downloads = scratch.string();
    fs::copy_file(options.ops, environment.ops);
    // Opening a catalogue also deletes the movies of the skits it purges. It sees a copy of the skits
    // folder instead: an empty file, with the same attributes, for each file there.
    environment.skits = (scratch / "skits").string();
    fs::create_directory(environment.skits);
    FileFinder finder;
    for (bool found = finder.FindFirst(JoinPath(options.skits, "*"), kPlainFileMask | sys::kAttrHidden); found;
         found = finder.FindNext()) {
        if ((finder.attributes & sys::kAttrDirectory) == 0) {
            const std::string copy = JoinPath(environment.skits, finder.name);
            DiskFile empty;
            empty.Create(copy, sys::kAttrNormal, sys::kShareRead);
            empty.Close();
            constexpr std::uint32_t kKept =
                sys::kAttrReadOnly | sys::kAttrHidden | sys::kAttrSystem | sys::kAttrArchive;
            sys::SetAttributes(copy, (finder.attributes & kKept) != 0 ? finder.attributes & kKept : sys::kAttrNormal);
        }
    }
    SkitCatalog catalog(environment, nullptr, false);
    for (int pick = 1; pick <= options.picks; ++pick) {
        out << "pick " << pick << ": ";
        if (catalog.ChooseNextSkit()) {
            const SkitRecord& skit = *catalog.CurrentSkit();
            out << kKindNames[skit.kind < 3 ? skit.kind : 1] << " " << skit.id << " " << AnsiToUtf8(skit.fileName.text)
                << "\n";
        } else {
            out << "none\n";
        }
    }
    catalog.Close();
}

} // namespace

bool ParseLocalDateTime(const std::string& text, FileTime& time) {
    sys::CivilTime civil;
    char tail = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &civil.year, &civil.month, &civil.day,
                                   &civil.hour, &civil.minute, &civil.second, &tail);
    return fields == 6 && text.size() == 19 && CivilTimeToFileTime(civil, time);
}

std::string FormatLocalDateTime(FileTime time) {
    sys::CivilTime civil;
    if (!FileTimeToCivilTime(time, civil)) {
        return "(none)";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", civil.year, civil.month, civil.day, civil.hour,
                  civil.minute, civil.second);
    return text;
}

void AddCatalogCommands(CLI::App& app, PakToolCommands& commands) {
    {
        CLI::App* command = app.add_subcommand("make-ops", "Make a first ops file, with no skits, for an installer.");
        MakeOpsOptions& options = commands.Add(command, MakeOps);
        command->add_option("OUT", options.target, "The ops file to make")->required();
        command->add_option("--list-url", options.listUrl, "Where the skit list is downloaded from")->required();
        command->add_option("--list-file", options.listFile, "The file name the list is downloaded to")->required();
        command->add_option("--interval-days", options.intervalDays, "Days between skit list downloads (7)");
        CLI::Option* interval = command->add_option("--timed-interval", options.timedInterval,
                                                    "Every n-th pick tries a timed skit (0: none)");
        CLI::Option* plays =
            command->add_option("--timed-plays-per-start", options.timedPlays, "Timed skits played per start");
        interval->needs(plays);
        plays->needs(interval);
        command->add_flag("--force", options.force, "Replace OUT when it is there");
    }
    {
        CLI::App* command = app.add_subcommand(
            "make-sync",
            "Make a skit list from a JSON manifest, in UTF-8; its texts are stored in Windows-1252. The manifest is an "
            "object with listVersion, listUrl, syncValueA, "
            "syncValueB, timedInterval, listIntervalDays and skits, a list of objects with kind (special, regular, "
            "timed), id, flags, version, name, fileName, description, url, contentStamp, play (no, afterDownload, "
            "yes), state (remove, available, scheduled, downloaded, failed), plays, playsLeft, availableFrom and "
            "availableUntil (local date-times like 2025-01-31T18:00:00; without availableUntil a skit has no end), "
            "keyCode, keyAction, keyText, updateMask and sha256 (the SHA-256 of its movie, 64 hex digits). id, name, "
            "fileName and url are required.");
        MakeSyncOptions& options = commands.Add(command, MakeSync);
        command->add_option("MANIFEST", options.manifest, "The JSON manifest")->required();
        command->add_option("OUT", options.target, "The skit list to make")->required();
        command->add_option("--movies", options.movies,
                            "A folder of the movies: a skit without sha256 gets the digest of the file named by its "
                            "fileName, when that file is there");
    }
    {
        CLI::App* command = app.add_subcommand(
            "show-ops", "Show an ops file: its header, then one line per skit (kind, id, version, state, play, "
                        "plays, plays left, window, file name, name).");
        command->add_option("OPS", commands.Add(command, ShowOps), "The ops file")->required();
    }
    {
        CLI::App* command = app.add_subcommand(
            "merge", "Open the ops file as the program does (purging, checking the movies in the skits folder), "
                     "merge a skit list into it as a downloaded list, save, and say what changed. As with a "
                     "downloaded list, the ops file's last list update becomes --now (the clock by default), and the "
                     "skit list is used up and deleted.");
        MergeOptions& options = commands.Add(command, Merge);
        command->add_option("OPS", options.ops, "The ops file")->required();
        command->add_option("SYNC", options.sync, "The skit list")->required();
        command->add_option("--skits", options.skits, "The skits folder")->required();
        command
            ->add_option("--sync-method", options.syncMethod,
                         "0: schedule new skits automatically, 1: list them, 2: do nothing (0)")
            ->check(CLI::Range(0, 2));
        command->add_option("--now", options.now, "The local date and time to merge at, like 2025-01-31T18:00:00");
    }
    {
        CLI::App* command = app.add_subcommand(
            "simulate",
            "Open the ops file as the screensaver does and print the skits it would play, one line per "
            "pick: its number, then kind, id and file name, or none. The ops file and the skits folder stay "
            "as they were.");
        SimulateOptions& options = commands.Add(command, Simulate);
        command->add_option("OPS", options.ops, "The ops file")->required();
        command->add_option("--skits", options.skits, "The skits folder")->required();
        command->add_option("--picks", options.picks, "How many picks to make (10)")->check(CLI::Range(0, 100000));
        command->add_option("--now", options.now, "The local date and time to pick at, like 2025-01-31T18:00:00");
    }
}
