#include "library/SkitCatalog.h"

#include "library/FileFinder.h"
#include "library/ListSignature.h"
#include "library/Paths.h"
#include "library/SafeNames.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "support/TraceLog.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint32_t kReadWrite = sys::kGenericRead | sys::kGenericWrite;
constexpr std::uint32_t kDownloadLogLimit = 512000;
constexpr FileTime kTicksPerDay = 864000000000ull;

// Counters that a skit list sets may stand at their limits: they stop there instead of wrapping round.
void CountUp(std::int32_t& counter) {
    if (counter < std::numeric_limits<std::int32_t>::max()) {
        ++counter;
    }
}

void CountDown(std::int32_t& counter) {
    if (counter > std::numeric_limits<std::int32_t>::min()) {
        --counter;
    }
}

[[noreturn]] void RaiseCorrupt(const std::string& path) {
    throw EZolvaneError(ErrorText(ecMissingOrCorrupt) + " " + path);
}

// A text of a skit list as a log line quotes it: its start, with control characters as "?" so that it
// cannot add lines of its own, and how long it was.
std::string Quoted(const std::string& text) {
    constexpr std::size_t kShown = 80;
    std::string shown = text.substr(0, kShown);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 32 || c == 0x7F) {
            c = '?';
        }
    }
    return "\"" + shown + "\"" +
           (text.size() > kShown ? " (" + std::to_string(text.size()) + " bytes)" : std::string());
}

// Why a skit of a list is left out, or nothing when it may be merged: each text within its limit, and a
// file name that names a movie and nothing else.
std::string WhyLeftOut(const SkitRecord& skit) {
    const struct {
        const StringRef& text;
        std::size_t limit;
        const char* what;
    } texts[] = {{skit.fileName, kMaxFileNameText, "file name"},
                 {skit.url, kMaxAddressText, "address"},
                 {skit.name, kMaxNameText, "name"},
                 {skit.description, kMaxDescriptionText, "description"},
                 {skit.keyText, kMaxKeyText, "key text"}};
    for (const auto& text : texts) {
        if (text.text.text.size() > text.limit) {
            return "its " + std::string(text.what) + " is longer than " + std::to_string(text.limit) + " bytes";
        }
    }
    if (!IsMovieFileName(skit.fileName.text)) {
        return "its file name " + Quoted(skit.fileName.text) + " is not a movie's";
    }
    return std::string();
}

} // namespace

SkitCatalog::SkitCatalog(const CatalogEnvironment& environment, DownloadJobFactory jobFactory, bool allowReadOnly)
    : environment_(environment), jobFactory_(std::move(jobFactory)) {
    RefuseLinkedFolders();
    const std::string opsPath = environment_.OpsFilePath();
    PakArchive::FinishReplace(opsPath);
    // A hidden ops file is the ops file all the same.
    if (!AnyFileExists(opsPath)) {
        RaiseCorrupt(opsPath);
    }
    try {
        pak_.Open(opsPath, false, nullptr, kReadWrite);
    } catch (const std::exception&) {
        if (!allowReadOnly) {
            throw;
        }
        access_ = sys::kGenericRead;
        pak_.Open(opsPath, false, nullptr, access_);
    }
    Load();
    phase_ = phIdle;
    changed_ = false;
    currentIndex_ = 0;
    Purge();
    const std::string log = environment_.LogPath();
    if (!log.empty() && FileSize(log) > kDownloadLogLimit) {
        sys::RemoveFile(log);
    }
    ImportAtStart();
    CheckDownloadedFiles();
    DeleteUnscheduledPartials();
}

SkitCatalog::~SkitCatalog() {
    try {
        Close();
    } catch (...) {
        // At the end of the program there is no one left to tell.
    }
}

void SkitCatalog::Close() {
    job_.reset();
    if (!pak_.IsOpen()) {
        return;
    }
    if (!IsReadOnly()) {
        Save();
    }
    pak_.Close();
}

void SkitCatalog::Load() {
    opsBlock_ = pak_.Read(kPakSkOp, 0);
    if (opsBlock_.size() < kOpsBlockSize) {
        RaiseCorrupt(environment_.OpsFilePath());
    }
    opsBlock_.resize(kOpsBlockSize);
    header_ = ReadOpsHeader(opsBlock_);
    if (header_.count > kMaxSkits) {
        RaiseCorrupt(environment_.OpsFilePath());
    }
    header_.listUrl.text = ReadText(header_.listUrl.id);
    header_.listFileName.text = ReadText(header_.listFileName.id);
    records_.clear();
    for (std::uint32_t i = 0; i < header_.count; ++i) {
        SkitRecord record = ReadSkitRecord(opsBlock_, OpsRecordOffset(i));
        record.name.text = ReadText(record.name.id);
        record.fileName.text = ReadText(record.fileName.id);
        record.description.text = ReadText(record.description.id);
        record.url.text = ReadText(record.url.id);
        if (record.HasKeyText()) {
            record.keyText.text = ReadText(record.keyText.id);
        }
        records_.push_back(std::move(record));
    }
}

std::string SkitCatalog::ReadText(std::int32_t id) { return TextOfResource(pak_.Read(kPakPSTR, id)); }

void SkitCatalog::Save() {
    // Every text and the ops block reach the disk together, in one new file.
    PakArchive::Update update(pak_);
    for (const SkitRecord& record : records_) {
        pak_.WriteText(kPakPSTR, record.name.id, record.name.text);
        pak_.WriteText(kPakPSTR, record.fileName.id, record.fileName.text);
        pak_.WriteText(kPakPSTR, record.description.id, record.description.text);
        pak_.WriteText(kPakPSTR, record.url.id, record.url.text);
        if (record.HasKeyText()) {
            pak_.WriteText(kPakPSTR, record.keyText.id, record.keyText.text);
        }
    }
    pak_.WriteText(kPakPSTR, header_.listFileName.id, header_.listFileName.text);
    pak_.WriteText(kPakPSTR, header_.listUrl.id, header_.listUrl.text);
    header_.count = static_cast<std::uint32_t>(records_.size());
    WriteOpsHeader(opsBlock_, header_);
    for (std::size_t i = 0; i < records_.size(); ++i) {
        WriteSkitRecord(opsBlock_, OpsRecordOffset(i), records_[i]);
    }
    pak_.Write(kPakSkOp, 0, 0, 0, opsBlock_.data(), static_cast<std::uint32_t>(opsBlock_.size()));
    update.Commit();
}

// ---- Opening -----------------------------------------------------------------------------------------

void SkitCatalog::RefuseLinkedFolders() const {
    std::string logFolder;
    SplitPath(environment_.LogPath(), &logFolder, nullptr);
    // Another user could put a link in place of a shared folder, so that our downloads, copies and
    // deletes land where that user chose, with our rights.
    for (const std::string& folder : {environment_.SkitsPath(), environment_.DownloadPath(), logFolder}) {
        if (!folder.empty() && sys::IsLink(folder)) {
            const std::string message =
                "The folder " + folder + " is a link to another place. Zolvane does not use it.";
            TraceWrite(tlError, "%s", message);
            throw EZolvaneError(message);
        }
    }
}

void SkitCatalog::Purge() {
    const FileTime now = environment_.Now();
    for (SkitRecord& record : records_) {
        if (record.kind == skTimed && (record.playsLeft == 0 || record.availableUntil < now)) {
            record.state = dsRemove;
        }
    }
    for (const SkitRecord& record : records_) {
        // A movie that a skit which stays names as well stays with it.
        const auto keeps = [&](const SkitRecord& other) {
            return other.state != dsRemove && SameFileName(other.fileName.text, record.fileName.text);
        };
        if (record.state == dsRemove && std::none_of(records_.begin(), records_.end(), keeps)) {
            if (const auto movie = MoviePath(record)) {
                sys::RemoveFile(*movie);
            }
        }
    }
    records_.erase(std::remove_if(records_.begin(), records_.end(),
                                  [](const SkitRecord& record) { return record.state == dsRemove; }),
                   records_.end());
    header_.count = static_cast<std::uint32_t>(records_.size());
    header_.timedCountdown = header_.timedInterval;
    header_.timedPlaysLeft = header_.timedPlaysPerStart;
}

void SkitCatalog::ImportAtStart() {
    const std::string path = JoinPath(environment_.SkitsPath(), kStartupSyncFile);
    FileFinder list;
    if (!list.FindFirst(path, kPlainFileMask)) {
        return;
    }
    // Merged now, the list's skits would last only until the read-only catalogue closes; the list waits
    // for a start that can save them.
    if (IsReadOnly()) {
        return;
    }
    // Any user may leave a list here; a downloaded one is held to the same limit as it arrives.
    if (list.sizeHigh != 0 || list.sizeLow > kMaxSkitListBytes) {
        TraceWrite(tlError, "The skit list %s is larger than %d bytes and is not merged.", path, kMaxSkitListBytes);
        sys::RemoveFile(path);
        return;
    }
    // Whatever the list holds, the screensaver and the settings start: what went wrong goes to the trace.
    try {
        Merge(path, ListSource::kSkitsFolder);
    } catch (const EMaxEntries& error) {
        TraceWrite(tlError, "The skit list %s was merged up to the last free slot: %s", path, error.what());
    } catch (const EUntrustedList&) {
        return; // its ERROR line is written and the list is gone
    } catch (const EDamagedList& error) {
        // Left where it is, it would stop every later start the same way.
        const std::string aside = path + ".damaged";
        TraceWrite(tlError, "The skit list %s is damaged (%s) and %s.", path, error.what(),
                   sys::RenameFile(path, aside, true) ? "was set aside as " + aside
                                                      : std::string("could not be set aside"));
        return;
    } catch (const std::exception& error) {
        TraceWrite(tlError, "The skit list %s was not merged: %s", path, error.what());
        return;
    }
    for (SkitRecord& record : records_) {
        if ((record.state == dsAvailable || record.state == dsScheduled) && MovieExists(record)) {
            record.state = dsDownloaded;
            record.play = pcYes;
        }
    }
    header_.lastListUpdate = environment_.Now();
}

void SkitCatalog::CheckDownloadedFiles() {
    for (SkitRecord& record : records_) {
        if (record.state == dsDownloaded && !MovieExists(record)) {
            record.state = dsAvailable;
            record.play = pcNo;
        }
    }
}

// ---- Merging skit lists --------------------------------------------------------------------------

// What a merge changes in memory, put back when the merge fails: the pak drops the failed update's texts,
// so records that kept their new text ids would share them with the skits of the next merge.
class SkitCatalog::Rollback {
public:
    explicit Rollback(SkitCatalog& catalog)
        : catalog_(catalog), header_(catalog.header_), opsBlock_(catalog.opsBlock_), records_(catalog.records_),
          changed_(catalog.changed_) {}
    ~Rollback() {
        if (!kept_) {
            catalog_.header_ = std::move(header_);
            catalog_.opsBlock_ = std::move(opsBlock_);
            catalog_.records_ = std::move(records_);
            catalog_.changed_ = changed_;
        }
    }
    Rollback(const Rollback&) = delete;
    Rollback& operator=(const Rollback&) = delete;
    void Keep() { kept_ = true; }

private:
    SkitCatalog& catalog_;
    OpsHeader header_;
    std::vector<std::uint8_t> opsBlock_;
    std::vector<SkitRecord> records_;
    bool changed_;
    bool kept_ = false;
};

void SkitCatalog::MergeSyncFile(const std::string& path, bool failed) {
    if (!failed) {
        Merge(path, ListSource::kOther);
    }
}

void SkitCatalog::MergeDownloadedList(const std::string& path) { Merge(path, ListSource::kDownloaded); }

void SkitCatalog::Merge(const std::string& path, ListSource source) {
    // The new skits' texts, the save after them and the list's time go to the disk as one new file; the
    // catalogue in memory stays as it was unless that file is in place.
    Rollback rollback(*this);
    PakArchive::Update update(pak_);
    const ImportResult import = ImportSyncFile(path, source == ListSource::kSkitsFolder);
    // A list cut short at the last free slot is not current: the next start fetches it again.
    if (source == ListSource::kDownloaded && !import.full) {
        header_.lastListUpdate = environment_.Now();
    }
    changed_ = import.changed;
    if (environment_.SyncMethod() == smAutomatic) {
        for (SkitRecord& record : records_) {
            if (record.state == dsAvailable) {
                record.state = dsScheduled;
                record.play = pcAfterDownload;
            }
        }
    }
    if (changed_ || source == ListSource::kDownloaded) {
        Save();
    }
    update.Commit();
    rollback.Keep();
    // A list whose skits did not reach the disk stays for the next try.
    sys::RemoveFile(path);
    if (import.full) {
        throw EMaxEntries("Can't add skit - max entries!");
    }
}

SkitCatalog::ImportResult SkitCatalog::ImportSyncFile(const std::string& path, bool keepWhenDamaged) {
    PakArchive sync;
    bool headerRead = false;
    const auto closeList = [&sync] {
        try {
            sync.Close();
        } catch (...) {
            // Opened for reading only: closing writes nothing.
        }
    };
    try {
        // No one may change the list between its signature check and the merge that trusts it.
        sync.Open(path, false, nullptr, sys::kGenericRead, false);
        const std::vector<std::uint8_t> headerBytes = sync.Read(kPakSYNC, 1);
        headerRead = true;
        CheckTrust(sync);
        const ImportResult result = ImportSkits(sync, path, headerBytes);
        closeList();
        return result;
    } catch (const EUntrustedList&) {
        // Used up as well: the next fetch brings the list again.
        closeList();
        sys::RemoveFile(path);
        throw;
    } catch (const std::exception& error) {
        closeList();
        // A damaged list is used up once its header has been read.
        if (headerRead && !keepWhenDamaged) {
            sys::RemoveFile(path);
        }
        throw EDamagedList(error.what());
    }
}

void SkitCatalog::CheckTrust(PakArchive& sync) const {
    const std::vector<std::string> lines = environment_.TrustedListKeys();
    if (lines.empty()) {
        return;
    }
    std::vector<PublicKeyInfo> keys;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto key = DecodeListKey(lines[i])) {
            keys.push_back(std::move(*key));
        } else {
            TraceWrite(tlWarning, "Line %d of ListKeys is no P-256 public key and is passed over.",
                       static_cast<int>(i + 1));
        }
    }
    const ListTrust trust = CheckListSignature(sync, keys);
    if (trust != ListTrust::kTrusted) {
        const char* const text = trust == ListTrust::kUnsigned ? "The skit list is not signed."
                                                               : "The skit list's signature does not match.";
        TraceWrite(tlError, "%s", text);
        throw EUntrustedList(text);
    }
}

SkitCatalog::ImportResult SkitCatalog::ImportSkits(PakArchive& sync, const std::string& path,
                                                   const std::vector<std::uint8_t>& headerBytes) {
    if (headerBytes.size() < kSyncHeaderSize) {
        RaiseCorrupt(path);
    }
    SyncHeader header = ReadSyncHeader(headerBytes);
    // A text over its limit is not read whole: it stands for one byte more than the limit, which is
    // enough to leave it out, so that no entry of a list costs more than its limits allow.
    const auto readText = [&sync](std::int32_t id, std::size_t limit) {
        const int index = sync.Find(kPakPSTR, id);
        if (index >= 0 && sync.Entry(static_cast<std::uint32_t>(index)).size > limit + 1) {
            return std::string(limit + 1, '?');
        }
        return TextOfResource(sync.Read(kPakPSTR, id));
    };
    header.listUrl.text = readText(header.listUrl.id, kMaxAddressText);
    if (header.listVersion > header_.listVersion) {
        header_.timedInterval = static_cast<std::int32_t>(header.timedInterval);
        header_.listIntervalDays = header.listIntervalDays;
        header_.syncValueA = header.syncValueA;
        header_.syncValueB = header.syncValueB;
        TakeListAddress(header.listUrl.text);
    }

    ImportResult result;
    for (std::uint32_t i = 1; i <= header.skitCount && i <= static_cast<std::uint32_t>(INT32_MAX); ++i) {
        const std::vector<std::uint8_t> bytes = sync.Read(kPakSKIT, static_cast<std::int32_t>(i));
        if (bytes.size() < kSkitDescriptionSize) {
            RaiseCorrupt(path);
        }
        SkitRecord skit = ReadSkitDescription(bytes);
        skit.name.text = readText(skit.name.id, kMaxNameText);
        skit.fileName.text = readText(skit.fileName.id, kMaxFileNameText);
        skit.description.text = readText(skit.description.id, kMaxDescriptionText);
        skit.url.text = readText(skit.url.id, kMaxAddressText);
        if (skit.HasKeyText()) {
            skit.keyText.text = readText(skit.keyText.id, kMaxKeyText);
        }
        SetMovieDigest(skit, ReadMovieDigest(sync, static_cast<std::int32_t>(i)));
        const std::string refusal = WhyLeftOut(skit);
        if (!refusal.empty()) {
            TraceWrite(tlWarning, "Skit %d of the skit list is left out: %s.", skit.id, refusal);
            continue;
        }
        const int index = FindSkit(skit.kind, skit.id);
        if (index >= 0) {
            result.changed |= UpdateSkit(records_[static_cast<std::size_t>(index)], skit);
        } else if (records_.size() + 1 >= kOpsSlots) {
            // The list stops here; the skits merged before it are saved with the merge.
            result.full = true;
            break;
        } else {
            AddSkit(skit);
            result.changed = true;
        }
    }
    return result;
}

void SkitCatalog::TakeListAddress(const std::string& url) {
    if (!IsWebAddress(url)) {
        TraceWrite(tlWarning, "The skit list's own address %s is not one to fetch; the list stays at %s.", Quoted(url),
                   header_.listUrl.text);
        return;
    }
    // Whoever can change a list on its way to us must not be able to move its next fetch off https.
    if (StartsWithIgnoringCase(header_.listUrl.text, "https://") && !StartsWithIgnoringCase(url, "https://")) {
        TraceWrite(tlWarning, "The skit list may not move its address from https to %s; it stays at %s.", Quoted(url),
                   header_.listUrl.text);
        return;
    }
    header_.listUrl.text = url;
}

std::int32_t SkitCatalog::WriteNewText(const std::string& text) { return pak_.WriteText(kPakPSTR, kPakNextId, text); }

void SkitCatalog::AddSkit(const SkitRecord& skit) {
    if (records_.size() + 1 >= kOpsSlots) {
        throw EMaxEntries("Can't add skit - max entries!");
    }
    // The slot keeps what it held where the list says nothing (its reserved bytes and update mask).
    SkitRecord record = ReadSkitRecord(opsBlock_, OpsRecordOffset(records_.size()));
    record.kind = skit.kind;
    record.id = skit.id;
    record.flags = skit.flags;
    record.version = skit.version;
    record.contentStamp = skit.contentStamp;
    record.play = skit.play;
    record.state = skit.state;
    record.plays = skit.plays;
    record.playsLeft = skit.playsLeft;
    record.availableFrom = skit.availableFrom;
    record.availableUntil = skit.availableUntil;
    for (auto [target, source] :
         {std::pair{&record.name, &skit.name}, std::pair{&record.fileName, &skit.fileName},
          std::pair{&record.description, &skit.description}, std::pair{&record.url, &skit.url}}) {
        target->id = WriteNewText(source->text);
        target->text = source->text;
    }
    // A slot that once held another skit must not lend this one its key action.
    record.keyCode = 0;
    record.keyAction = 0;
    record.keyText = StringRef();
    if (skit.HasKeyText()) {
        SetKeyText(record, skit);
    }
    SetMovieDigest(record, MovieDigest(skit));
    records_.push_back(record);
    if (MovieExists(records_.back())) {
        records_.back().state = dsDownloaded;
        records_.back().play = pcYes;
    }
}

void SkitCatalog::SetKeyText(SkitRecord& record, const SkitRecord& skit) {
    record.keyCode = skit.keyCode;
    record.keyAction = skit.keyAction;
    record.keyText.text = skit.keyText.text;
    // A record without a key text of its own gets a text id now, so that saving has a place for it.
    if (record.keyText.id == 0) {
        record.keyText.id = WriteNewText(skit.keyText.text);
    }
}

bool SkitCatalog::UpdateSkit(SkitRecord& record, const SkitRecord& skit) {
    if (record.version >= skit.version) {
        return false;
    }
    if (skit.updateMask != 0) {
        const std::uint32_t mask = skit.updateMask;
        record.updateMask = mask;
        if ((mask & upIdentity) != 0) {
            record.kind = skit.kind;
            record.id = skit.id;
            record.flags = skit.flags;
            record.version = skit.version;
            record.name.text = skit.name.text;
            record.fileName.text = skit.fileName.text;
            record.description.text = skit.description.text;
        }
        if ((mask & upUrl) != 0) {
            record.url.text = skit.url.text;
        }
        if ((mask & upKey) != 0 && skit.HasKeyText()) {
            SetKeyText(record, skit);
        }
        if ((mask & upWindow) != 0) {
            record.availableFrom = skit.availableFrom;
            record.availableUntil = skit.availableUntil;
        }
        if ((mask & upContent) != 0) {
            record.contentStamp = skit.contentStamp;
            record.state = dsScheduled;
        }
        if ((mask & upPlays) != 0) {
            record.playsLeft = skit.playsLeft;
            record.plays = 0;
        }
        // The digest goes with the movie: a new content or address takes the list's, none included.
        const auto digest = MovieDigest(skit);
        if (digest || (mask & (upContent | upUrl)) != 0) {
            SetMovieDigest(record, digest);
        }
        return true;
    }
    record.kind = skit.kind;
    record.id = skit.id;
    record.flags = skit.flags;
    record.version = skit.version;
    record.contentStamp = skit.contentStamp;
    record.availableFrom = skit.availableFrom;
    record.availableUntil = skit.availableUntil;
    record.name.text = skit.name.text;
    record.fileName.text = skit.fileName.text;
    record.description.text = skit.description.text;
    record.url.text = skit.url.text;
    if (skit.HasKeyText()) {
        SetKeyText(record, skit);
    }
    SetMovieDigest(record, MovieDigest(skit));
    record.state = dsScheduled;
    return true;
}

// ---- Picking what plays ------------------------------------------------------------------------------

bool SkitCatalog::IsListUpdateDue() const {
    if (IsReadOnly()) {
        return false;
    }
    if (CountSkits(skRegular, dsScheduled) > 0) {
        return true;
    }
    // An interval too long to count is one that never runs out.
    const FileTime interval = header_.listIntervalDays * kTicksPerDay;
    if (header_.listIntervalDays != 0 && (interval / kTicksPerDay != header_.listIntervalDays ||
                                          header_.lastListUpdate > std::numeric_limits<FileTime>::max() - interval)) {
        return false;
    }
    return environment_.Now() > header_.lastListUpdate + interval;
}

int SkitCatalog::CountSkits(std::uint8_t kind, std::uint8_t state) const {
    return static_cast<int>(std::count_if(records_.begin(), records_.end(), [&](const SkitRecord& record) {
        return (kind == kAnyKind || record.kind == kind) && record.state == state;
    }));
}

int SkitCatalog::CountKind(std::uint8_t kind) const {
    return static_cast<int>(
        std::count_if(records_.begin(), records_.end(), [&](const SkitRecord& record) { return record.kind == kind; }));
}

int SkitCatalog::FindSkit(std::uint8_t kind, std::int32_t id) const {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].kind == kind && records_[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<std::string> SkitCatalog::ChooseNextSkit() {
    if (auto timed = ChooseTimedSkit()) {
        return timed;
    }
    int first = -1;
    int pick = -1;
    bool passedLast = false;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        SkitRecord& record = records_[i];
        if (record.kind != skRegular) {
            continue;
        }
        if (record.state == dsDownloaded && !MovieExists(record)) {
            record.state = dsAvailable;
            record.play = pcNo;
        }
        const bool eligible = record.state == dsDownloaded && record.play == pcYes && record.playsLeft != 0;
        if (eligible && first < 0) {
            first = static_cast<int>(i);
        }
        if (eligible && passedLast) {
            pick = static_cast<int>(i);
            break;
        }
        if (record.id == header_.lastRegularId) {
            passedLast = true;
        }
    }
    if (pick < 0) {
        pick = first;
    }
    if (pick < 0) {
        return std::nullopt;
    }
    SkitRecord& chosen = records_[static_cast<std::size_t>(pick)];
    header_.lastRegularId = chosen.id;
    currentIndex_ = pick;
    picked_ = true;
    CountUp(chosen.plays);
    if (chosen.playsLeft > 0) {
        --chosen.playsLeft;
    }
    return chosen.fileName.text;
}

std::optional<std::string> SkitCatalog::ChooseTimedSkit() {
    if (header_.timedEnabled == 0 || CountKind(skTimed) == 0 || header_.timedPlaysLeft == 0) {
        return std::nullopt;
    }
    CountDown(header_.timedCountdown);
    if (header_.timedCountdown != 0) {
        return std::nullopt;
    }
    header_.timedCountdown = header_.timedInterval;

    const FileTime now = environment_.Now();
    const int last = FindSkit(skTimed, header_.lastTimedId);
    const std::size_t start = last < 0 ? 0 : static_cast<std::size_t>(last) + 1;
    for (std::size_t k = 0; k < records_.size(); ++k) {
        const std::size_t i = (start + k) % records_.size();
        SkitRecord& record = records_[i];
        if (record.kind != skTimed || record.state != dsDownloaded || record.playsLeft == 0 ||
            record.availableFrom > now || now > record.availableUntil || !MovieExists(record)) {
            continue;
        }
        CountDown(header_.timedPlaysLeft);
        if (record.playsLeft > 0) {
            --record.playsLeft;
        }
        CountUp(record.plays);
        CountUp(header_.timedPlaysTotal);
        header_.lastTimedId = record.id;
        currentIndex_ = static_cast<int>(i);
        picked_ = true;
        return record.fileName.text;
    }
    return std::nullopt;
}

const SkitRecord* SkitCatalog::CurrentSkit() const {
    if (!picked_ || currentIndex_ < 0 || static_cast<std::size_t>(currentIndex_) >= records_.size()) {
        return nullptr;
    }
    return &records_[static_cast<std::size_t>(currentIndex_)];
}

std::optional<std::string> SkitCatalog::SkitFileName(std::uint8_t kind, std::int32_t id) const {
    const int index = FindSkit(kind, id);
    if (index < 0 || !IsMovieName(records_[static_cast<std::size_t>(index)].fileName.text)) {
        return std::nullopt;
    }
    return records_[static_cast<std::size_t>(index)].fileName.text;
}

std::optional<KeyAction> SkitCatalog::CurrentKeyAction(std::int32_t keyCode) const {
    return KeyActionAt(currentIndex_, keyCode);
}

std::optional<KeyAction> SkitCatalog::KeyActionOf(std::uint8_t kind, std::int32_t id, std::int32_t keyCode) const {
    return KeyActionAt(FindSkit(kind, id), keyCode);
}

std::optional<KeyAction> SkitCatalog::KeyActionAt(int index, std::int32_t keyCode) const {
    if (index < 0 || static_cast<std::size_t>(index) >= records_.size()) {
        return std::nullopt;
    }
    const SkitRecord& record = records_[static_cast<std::size_t>(index)];
    if (record.keyCode != keyCode) {
        return std::nullopt;
    }
    return KeyAction{record.keyCode, record.keyAction, record.keyText.text};
}

bool SkitCatalog::IsMovieName(const std::string& name) const {
    std::string opsFile;
    SplitPath(environment_.OpsFilePath(), nullptr, &opsFile);
    return IsMovieFileName(name) && !SameFileName(name, opsFile) && !SameFileName(name, header_.listFileName.text) &&
           !SameFileName(name, kStartupSyncFile);
}

std::optional<std::string> SkitCatalog::MoviePath(const SkitRecord& record) const {
    if (!IsMovieName(record.fileName.text)) {
        return std::nullopt;
    }
    return JoinPath(environment_.SkitsPath(), record.fileName.text);
}

bool SkitCatalog::MovieExists(const SkitRecord& record) const {
    const auto movie = MoviePath(record);
    return movie && FileExists(*movie);
}

// ---- The settings grid -----------------------------------------------------------------------------

std::vector<GridRow> SkitCatalog::ExportGridRows(std::uint8_t kind) const {
    std::vector<GridRow> rows;
    for (const SkitRecord& record : records_) {
        if (record.kind == kind) {
            rows.push_back(
                {record.name.text, record.description.text, record.id, record.state, record.play, record.flags});
        }
    }
    return rows;
}

void SkitCatalog::ApplyGridRows(const std::vector<GridRow>& rows, std::uint8_t kind) {
    for (const GridRow& row : rows) {
        const int index = FindSkit(kind, row.id);
        if (index >= 0) {
            records_[static_cast<std::size_t>(index)].state = row.state;
            records_[static_cast<std::size_t>(index)].play = row.play;
        }
    }
}

std::uint8_t SkitCatalog::SkitState(std::uint8_t kind, std::int32_t id) const {
    const int index = FindSkit(kind, id);
    return index < 0 ? 0 : records_[static_cast<std::size_t>(index)].state;
}
