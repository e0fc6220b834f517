// SkitCatalog: every skit the program knows, where each stands, and what plays next.
//
// It lives in the ops file (a pak holding one ops block of 100 record slots and the PSTR texts the
// block refers to) and is fed by skit lists ("sync files": a pak of one list header and numbered skit
// descriptions), which arrive as the downloaded list or as "zolvane.syn" left in the skits folder. Each
// list is merged once and deleted. Movie files are plain files in the skits folder.
//
// The catalogue also drives the download sequence: the skit list first, then the scheduled skits one
// by one, each through a DownloadJob whose completion message brings the window back here.
#pragma once

#include "library/CatalogEnvironment.h"
#include "library/DownloadJob.h"
#include "library/PakArchive.h"
#include "library/SkitFormats.h"
#include "support/Error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The skit list that an installer or an author leaves in the skits folder; merged at the next start.
constexpr const char* kStartupSyncFile = "zolvane.syn";

// A skit list that brings more skits than the catalogue has slots for.
class EMaxEntries : public EZolvaneError {
public:
    using EZolvaneError::EZolvaneError;
};

// A skit list that cannot be read, or holds what no list may; the text says what is wrong.
class EDamagedList : public EZolvaneError {
public:
    using EZolvaneError::EZolvaneError;
};

// A skit list that this installation does not trust: it names keys, and the list carries no good
// signature by one of them. The text is the one ERROR line written for it.
class EUntrustedList : public EZolvaneError {
public:
    using EZolvaneError::EZolvaneError;
};

enum DownloadPhase : std::uint8_t { phIdle = 0, phSkitList = 1, phSkits = 2 };

// One row of the settings dialog's skit grid.
struct GridRow {
    std::string name;
    std::string description;
    std::int32_t id = 0;
    std::uint8_t state = 0;
    std::uint8_t play = 0;
    std::uint32_t flags = 0;
};

// The key action of the skit picked last.
struct KeyAction {
    std::int32_t keyCode = 0;
    std::uint8_t keyAction = 0;
    std::string keyText;
};

// The skit download under way.
struct DownloadRequest {
    std::uint8_t kind = 0;
    std::int32_t id = 0;
    std::string url;
    std::string localFile;
    std::string displayName;
};

class SkitCatalog {
public:
    // Opens the ops file for reading and writing, or, with allowReadOnly and when that fails, for
    // reading only; then purges expired skits, trims an overgrown download log, merges a
    // "zolvane.syn" left in the skits folder, checks which movie files are there, and (unless read-only)
    // deletes the partial downloads of movies that no skit is scheduled for any more.
    SkitCatalog(const CatalogEnvironment& environment, DownloadJobFactory jobFactory, bool allowReadOnly);
    // Saves (unless read-only) and closes; errors here have no one to go to and are dropped.
    ~SkitCatalog();
    SkitCatalog(const SkitCatalog&) = delete;
    SkitCatalog& operator=(const SkitCatalog&) = delete;

    // Saves (unless read-only) and closes the ops file, raising what goes wrong.
    void Close();
    void Save();
    bool IsOpen() const { return pak_.IsOpen(); }
    bool IsReadOnly() const { return access_ == sys::kGenericRead; }

    // ---- The show -------------------------------------------------------------------------------
    bool IsListUpdateDue() const;
    // Records of the kind (kAnyKind: any) in the state.
    int CountSkits(std::uint8_t kind, std::uint8_t state) const;
    int CountKind(std::uint8_t kind) const;
    // The movie file of the next skit (a timed one every n-th pick, otherwise the next regular one
    // after the one played last), or none.
    std::optional<std::string> ChooseNextSkit();
    // The movie file of that skit, or none when there is no such skit or its name is unsafe.
    std::optional<std::string> SkitFileName(std::uint8_t kind, std::int32_t id) const;
    std::optional<KeyAction> CurrentKeyAction(std::int32_t keyCode) const;
    // What the skit does with the key: none when there is no such skit or its key is another.
    std::optional<KeyAction> KeyActionOf(std::uint8_t kind, std::int32_t id, std::int32_t keyCode) const;
    // The record that ChooseNextSkit picked last, or none before the first pick.
    const SkitRecord* CurrentSkit() const;

    // ---- The settings grid ------------------------------------------------------------------------
    std::vector<GridRow> ExportGridRows(std::uint8_t kind) const;
    void ApplyGridRows(const std::vector<GridRow>& rows, std::uint8_t kind);
    std::uint8_t SkitState(std::uint8_t kind, std::int32_t id) const;
    bool Changed() const { return changed_; }
    FileTime LastListUpdate() const { return header_.lastListUpdate; }

    // ---- Downloads ----------------------------------------------------------------------------------
    // Starts fetching the skit list; false (and nothing started) when the list's address or file name
    // cannot be used.
    bool StartSkitListDownload(NotifyWindow window, bool thenSkits);
    // Starts the scheduled skit downloads; true when one was started.
    bool StartSkitDownloads(NotifyWindow window);
    // The window's answer to a download-done message: true while another download of the sequence
    // runs. An error of the merge ends the sequence and goes on to the caller.
    bool OnDownloadDone(bool failed);
    std::string CurrentDownloadName() const;
    bool HasJob() const { return job_ != nullptr; }
    DownloadJob* Job() const { return job_.get(); }
    DownloadPhase Phase() const { return phase_; }
    int DownloadsDone() const { return downloadsDone_; }
    int DownloadsPlanned() const { return downloadsPlanned_; }

    // ---- Reading the records --------------------------------------------------------------------------
    const OpsHeader& Header() const { return header_; }
    const std::vector<SkitRecord>& Records() const { return records_; }
    int FindSkit(std::uint8_t kind, std::int32_t id) const;

    // Merges a skit list (unless failed): adds and updates skits, schedules what is available when
    // new skits arrive automatically, and saves when anything changed. The merged list is deleted.
    void MergeSyncFile(const std::string& path, bool failed);
    // Merges a skit list that arrived whole, as above; the list is current from now on.
    void MergeDownloadedList(const std::string& path);

private:
    // Raises, with one ERROR line, when the skits, download or log folder is a link to another place.
    void RefuseLinkedFolders() const;
    void Load();
    std::string ReadText(std::int32_t id);
    void Purge();
    void ImportAtStart();
    void CheckDownloadedFiles();

    // Where a skit list came from, which decides what becomes of it when it is damaged.
    enum class ListSource { kDownloaded, kSkitsFolder, kOther };
    struct ImportResult {
        bool changed = false;
        bool full = false; // the list stopped at the last free slot
    };
    class Rollback;
    // Merges the list and saves in one update, then deletes the list. When anything fails, the
    // catalogue in memory and on disk stays as it was and the list stays where it is, except a damaged
    // one (EDamagedList) that did not come from the skits folder: deleted once its header was read.
    // Raises EMaxEntries after saving the skits that fitted.
    void Merge(const std::string& path, ListSource source);
    ImportResult ImportSyncFile(const std::string& path, bool keepWhenDamaged);
    // Raises EUntrustedList, after its ERROR line, when the installation names keys and none of them
    // signed the list.
    void CheckTrust(PakArchive& sync) const;
    ImportResult ImportSkits(PakArchive& sync, const std::string& path, const std::vector<std::uint8_t>& headerBytes);
    void AddSkit(const SkitRecord& skit);
    bool UpdateSkit(SkitRecord& record, const SkitRecord& skit);
    void SetKeyText(SkitRecord& record, const SkitRecord& skit);
    // The list's own address, unless it is none to fetch or would move the list off https.
    void TakeListAddress(const std::string& url);
    std::int32_t WriteNewText(const std::string& text);
    std::optional<std::string> ChooseTimedSkit();
    // The key action of the record at the index, when the key is its key.
    std::optional<KeyAction> KeyActionAt(int index, std::int32_t keyCode) const;
    // A movie file name (IsMovieFileName) that is none of the catalogue's own files either.
    bool IsMovieName(const std::string& name) const;
    // The movie file in the skits folder, or none when its name is no movie's.
    std::optional<std::string> MoviePath(const SkitRecord& record) const;
    bool MovieExists(const SkitRecord& record) const;

    bool StartNextSkitDownload();
    // Lands the finished download, or marks the skit failed; true when the download ended as a failure
    // (the transfer failed, or the file is not the movie the list vouched for).
    bool FinishSkitDownload(bool failed);
    // Deletes the partial file of a movie download and its resume record.
    void DeletePartial(const std::string& path);
    // Deletes, in the download folder, the partial files and resume records of movies that no scheduled
    // skit names; the folder's other files stay.
    void DeleteUnscheduledPartials();
    void BeginPhase(DownloadPhase phase, NotifyWindow window, int planned);
    void EndSequence();
    void EnsureJob();

    const CatalogEnvironment& environment_;
    DownloadJobFactory jobFactory_;
    std::uint32_t access_ = sys::kGenericRead | sys::kGenericWrite;
    PakArchive pak_;
    std::vector<std::uint8_t> opsBlock_; // as read, so that what we do not know survives a save
    OpsHeader header_;
    std::vector<SkitRecord> records_;
    int currentIndex_ = 0;
    bool picked_ = false;
    bool changed_ = false;

    DownloadPhase phase_ = phIdle;
    DownloadRequest request_;
    std::string downloadTarget_;
    NotifyWindow window_ = nullptr;
    std::unique_ptr<DownloadJob> job_;
    int downloadsDone_ = 0;
    int downloadsPlanned_ = 0;
    bool thenSkits_ = false;
    std::uint32_t partialBefore_ = 0; // the size of the movie's partial file when its transfer started
    std::vector<std::pair<std::uint8_t, std::int32_t>> attempted_; // skits fetched in this sequence
};
