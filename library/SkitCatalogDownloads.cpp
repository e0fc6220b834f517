// The download sequence of the skit catalogue: the skit list first, merged when it arrives, then the
// scheduled skits one by one, each copied into the skits folder. Every step runs on the user-interface
// thread, in the handler of the download-done message that the job posts.
#include "library/SkitCatalog.h"

#include "library/FileFinder.h"
#include "library/Paths.h"
#include "library/ResumeRecord.h"
#include "library/SafeNames.h"
#include "support/TraceLog.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

const char* const kSkitListName = "Skit list";
// Timed skits scheduled per sequence, unless new skits come automatically.
constexpr int kTimedScheduleBudget = 10;

// Whether the file has the digest that the skit's list gave its movie; true when it gave none. A file
// that cannot be read matches nothing.
bool MatchesListDigest(const SkitRecord& record, const std::string& file) {
    const auto digest = MovieDigest(record);
    if (!digest) {
        return true;
    }
    try {
        return sys::Sha256OfFile(file) == *digest;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

void SkitCatalog::EnsureJob() {
    if (!job_) {
        job_ = jobFactory_ ? jobFactory_() : nullptr;
        if (!job_) {
            throw std::logic_error("no download job could be made");
        }
    }
}

void SkitCatalog::BeginPhase(DownloadPhase phase, NotifyWindow window, int planned) {
    EnsureJob();
    changed_ = false;
    downloadsDone_ = 0;
    downloadsPlanned_ = planned;
    phase_ = phase;
    window_ = window;
}

void SkitCatalog::EndSequence() {
    phase_ = phIdle;
    job_.reset();
}

bool SkitCatalog::StartSkitListDownload(NotifyWindow window, bool thenSkits) {
    // The list's address may come from an earlier list; only a web address is fetched, and only into
    // a file of the download folder.
    if (!IsWebAddress(header_.listUrl.text) || !IsSafeFileName(header_.listFileName.text)) {
        return false;
    }
    thenSkits_ = thenSkits;
    BeginPhase(phSkitList, window, 1);
    downloadTarget_ = JoinPath(environment_.DownloadPath(), header_.listFileName.text);
    try {
        job_->Start(header_.listUrl.text, downloadTarget_, kSkitListName, window_, kMaxSkitListBytes, false);
    } catch (...) {
        EndSequence();
        throw;
    }
    return true;
}

bool SkitCatalog::StartSkitDownloads(NotifyWindow window) {
    BeginPhase(phSkits, window, CountSkits(kAnyKind, dsScheduled));
    attempted_.clear();
    if (header_.timedEnabled != 0) {
        const FileTime now = environment_.Now();
        int budget = kTimedScheduleBudget;
        for (SkitRecord& record : records_) {
            if (record.kind != skTimed || record.availableUntil < now) {
                continue;
            }
            if (record.state == dsAvailable) {
                record.state = dsScheduled;
                record.play = pcAfterDownload;
                --budget;
            }
            if (environment_.SyncMethod() != smAutomatic && budget <= 0) {
                break;
            }
        }
    }
    bool started = false;
    try {
        started = StartNextSkitDownload();
    } catch (...) {
        EndSequence();
        throw;
    }
    // Nothing to fetch: no message will come, so the sequence ends here.
    if (!started) {
        EndSequence();
    }
    return started;
}

bool SkitCatalog::StartNextSkitDownload() {
    const FileTime now = environment_.Now();
    for (const SkitRecord& record : records_) {
        // A skit whose file name or address cannot be used waits for a list that puts it right.
        if (record.state != dsScheduled || record.availableUntil <= now || !IsMovieName(record.fileName.text) ||
            !IsWebAddress(record.url.text)) {
            continue;
        }
        // A skit fetched once in this sequence whose copy then failed stays scheduled for the next
        // sequence; fetching it again now would go round for ever.
        const auto key = std::make_pair(record.kind, record.id);
        if (std::find(attempted_.begin(), attempted_.end(), key) != attempted_.end()) {
            continue;
        }
        attempted_.push_back(key);
        downloadTarget_ = JoinPath(environment_.DownloadPath(), record.fileName.text);
        request_ = {record.kind, record.id, record.url.text, downloadTarget_, record.name.text};
        partialBefore_ = FileSize(downloadTarget_);
        job_->Start(record.url.text, downloadTarget_, record.name.text, window_, kMaxMovieBytes, true);
        return true;
    }
    return false;
}

bool SkitCatalog::OnDownloadDone(bool failed) {
    bool more = false;
    try {
        if (phase_ == phSkitList) {
            if (!failed) {
                MergeDownloadedList(downloadTarget_);
            }
            if (thenSkits_ && !failed && CountSkits(skRegular, dsScheduled) > 0) {
                more = StartSkitDownloads(window_);
            }
        } else if (phase_ == phSkits) {
            more = !FinishSkitDownload(failed) && StartNextSkitDownload();
        }
    } catch (...) {
        // An error of the merge ends the sequence; the window reports it.
        EndSequence();
        throw;
    }
    if (!more) {
        EndSequence();
    }
    return more;
}

bool SkitCatalog::FinishSkitDownload(bool failed) {
    ++downloadsDone_;
    if (job_) {
        job_->ResetProgress();
    }
    const int index = FindSkit(request_.kind, request_.id);
    if (index < 0) {
        return failed;
    }
    SkitRecord& record = records_[static_cast<std::size_t>(index)];
    if (!failed && !MatchesListDigest(record, downloadTarget_)) {
        TraceWrite(tlError, "The downloaded file does not match the skit list.");
        sys::RemoveFile(downloadTarget_);
        failed = true;
    }
    if (failed) {
        // A transfer that was cut or cancelled after it fetched more of the movie keeps the skit scheduled:
        // the next sequence asks for the rest. One that brought nothing new fails as any other, and what
        // it kept goes.
        if (FileSize(downloadTarget_) > partialBefore_) {
            return true;
        }
        DeletePartial(downloadTarget_);
        record.state = dsFailed;
        return true;
    }
    const auto movie = MoviePath(record);
    if (!movie) {
        return false;
    }
    // The copy is made beside the old movie and takes its place in one step, so that a full disk or a
    // player that holds the old movie leaves it whole and playable. A failed copy or move leaves the skit
    // scheduled: a later sequence fetches it again.
    const std::string copy = *movie + "1";
    sys::RemoveFile(copy);
    if (!sys::CopyFileTo(downloadTarget_, copy, true) || !sys::RenameFile(copy, *movie, true)) {
        sys::RemoveFile(copy);
        return false;
    }
    record.state = dsDownloaded;
    if (record.play == pcAfterDownload) {
        record.play = pcYes;
    }
    sys::RemoveFile(downloadTarget_);
    changed_ = true;
    return false;
}

void SkitCatalog::DeletePartial(const std::string& path) {
    sys::RemoveFile(path);
    sys::RemoveFile(ResumeRecordPath(path));
}

void SkitCatalog::DeleteUnscheduledPartials() {
    const std::string folder = environment_.DownloadPath();
    // A download folder that is the skits folder holds the movies themselves, which are not ours to delete;
    // no download folder at all would make the names relative to whatever folder the program runs in.
    const auto bare = [](std::string path) {
        while (!path.empty() && (path.back() == '\\' || path.back() == '/')) {
            path.pop_back();
        }
        return path;
    };
    if (IsReadOnly() || bare(folder).empty() || SameFileName(bare(folder), bare(environment_.SkitsPath()))) {
        return;
    }
    // The movie names that partial files may have: those of the catalogue's skits, and those of the
    // records in the folder, which a skit gone from the catalogue may have left.
    std::vector<std::string> names;
    for (const SkitRecord& record : records_) {
        names.push_back(record.fileName.text);
    }
    const std::string suffix = kResumeRecordSuffix;
    FileFinder found;
    for (bool more = found.FindFirst(JoinPath(folder, "*" + suffix), kPlainFileMask); more; more = found.FindNext()) {
        if (found.name.size() > suffix.size() &&
            SameFileName(found.name.substr(found.name.size() - suffix.size()), suffix)) {
            names.push_back(found.name.substr(0, found.name.size() - suffix.size()));
        }
    }
    found.Close();
    for (const std::string& name : names) {
        const auto scheduled = [&](const SkitRecord& record) {
            return record.state == dsScheduled && SameFileName(record.fileName.text, name);
        };
        // Deleting a name that is a link deletes the link, never what it leads to.
        if (IsMovieName(name) && std::none_of(records_.begin(), records_.end(), scheduled)) {
            DeletePartial(JoinPath(folder, name));
        }
    }
}

std::string SkitCatalog::CurrentDownloadName() const {
    return phase_ == phSkitList ? kSkitListName : request_.displayName;
}
