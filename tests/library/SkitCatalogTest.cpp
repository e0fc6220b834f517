#include "library/Paths.h"
#include "support/Error.h"
#include "tests/Raised.h"
#include "tests/library/CatalogTestSupport.h"

#include <functional>

using namespace catalog_testing;
using testing_files::ReadFile;
using testing_files::WriteFile;

namespace {

std::vector<std::string> Picks(SkitCatalog& catalog, int count) {
    std::vector<std::string> picks;
    for (int i = 0; i < count; ++i) {
        picks.push_back(catalog.ChooseNextSkit().value_or("-"));
    }
    return picks;
}

using Names = std::vector<std::string>;

// The ops file holds the block with the records that the catalogue saved.
std::vector<std::uint8_t> OpsBlockOnDisk(const std::string& path) {
    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    return pak.Read(kPakSkOp, 0);
}

// Names that reach out of the skits folder, open a device or a stream, or name another file than they
// seem to, on Windows or anywhere.
const std::vector<std::string> kHostileFileNames = {
    // Folders, drives, shares and devices by path.
    "..\\x.gif", "../x.gif", "a/../../x", "a\\..\\..\\x", "sub\\x.gif", "sub/x.gif", "\\x.gif", "/x.gif", "C:x.gif",
    "C:\\x.gif", "C:/x.gif", "\\\\server\\share\\x.gif", "//server/share/x.gif", "\\\\?\\C:\\x",
    "\\\\.\\PhysicalDrive0",
    // Devices by name, with and without an extension, in any case.
    "CON", "con.gif", "PRN", "Prn.gif", "AUX", "aux.tar.gz", "NUL", "nul.gif", "COM1", "com9.gif", "LPT1", "Lpt9.gif",
    "COM0", "COM\xB9.gif", "lpt\xB3", "CONIN$", "conout$.gif", "CON .gif", "nul ",
    // Streams, and what Windows cuts off the end of a name.
    "x.gif:evil", "x.gif::$DATA", "x.gif.", "x.gif ", "x.gif. .", "...", ".", "..", "", " x.gif",
    // Too long, control characters, wildcards and what Windows forbids.
    std::string(300, 'a'), std::string(256, 'a'), "x\x01.gif", "x\t.gif", "x\n.gif", "x\r.gif", "x.gif/", "*.gif",
    "x?.gif", "\"x.gif\"", "<x>.gif", "x|calc.gif"};

} // namespace

// ---- Opening and saving -------------------------------------------------------------------------

TEST_F(CatalogTest, OpensTheRecordsWithTheirTextsAndSavesThemBack) {
    SkitRecord keyed = Downloaded(Skit(skRegular, 7, "seven.gif"));
    keyed.keyCode = 0x20;
    keyed.keyAction = 1;
    keyed.keyText.text = "http://example.com/more";
    PutMovie("seven.gif");
    WriteOps({keyed, Skit(skRegular, 8, "eight.gif")});
    {
        auto catalog = Open();
        ASSERT_EQ(catalog->Records().size(), 2u);
        const SkitRecord& first = catalog->Records()[0];
        EXPECT_EQ(first.name.text, "Skit 7");
        EXPECT_EQ(first.fileName.text, "seven.gif");
        EXPECT_EQ(first.keyText.text, "http://example.com/more");
        EXPECT_EQ(first.state, dsDownloaded);
        EXPECT_EQ(catalog->Header().listUrl.text, "http://example.com/skits.syn");
        EXPECT_EQ(catalog->Header().listFileName.text, "skits.syn");
        catalog->ChooseNextSkit();
    }
    auto again = Open();
    EXPECT_EQ(again->Records()[0].plays, 1);
    EXPECT_EQ(again->Header().lastRegularId, 7);
}

TEST_F(CatalogTest, BytesWeDoNotUnderstandSurviveOpeningAndSaving) {
    WriteOps({Skit(skRegular, 1, "one.gif")});
    {
        PakArchive pak;
        pak.Open(environment_.opsFile, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
        std::vector<std::uint8_t> block = pak.Read(kPakSkOp, 0);
        block[5] = 0xA5;                  // reserved, in the header
        block[150] = 0x5A;                // reserved, between the list texts and the timed settings
        block[273 + 100] = 0x77;          // reserved, in the first record
        block[273 + 152 * 50 + 3] = 0x33; // an unused slot
        pak.Write(kPakSkOp, 0, 0, 0, block.data(), static_cast<std::uint32_t>(block.size()));
    }
    Open()->ChooseNextSkit();
    const std::vector<std::uint8_t> block = OpsBlockOnDisk(environment_.opsFile);
    ASSERT_EQ(block.size(), 15473u);
    EXPECT_EQ(block[5], 0xA5);
    EXPECT_EQ(block[150], 0x5A);
    EXPECT_EQ(block[273 + 100], 0x77);
    EXPECT_EQ(block[273 + 152 * 50 + 3], 0x33);
}

TEST_F(CatalogTest, ADamagedOpsFileIsRefused) {
    const std::string corrupt = "The file is missing or corrupt. " + environment_.opsFile;
    EXPECT_EQ(ErrorOf([&] { Open(); }), corrupt);

    PakArchive pak;
    pak.Open(environment_.opsFile, true, nullptr, sys::kGenericRead | sys::kGenericWrite);
    pak.WriteText(kPakPSTR, 1, "x");
    pak.Close();
    EXPECT_EQ(ErrorOf([&] { Open(true); }), "Pak not found.");

    pak.Open(environment_.opsFile, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
    const std::vector<std::uint8_t> shortBlock(15472, 0);
    pak.Write(kPakSkOp, 0, 0, 0, shortBlock.data(), 15472);
    pak.Close();
    EXPECT_EQ(ErrorOf([&] { Open(true); }), corrupt);

    // 100 records: one more than the block may hold.
    std::vector<std::uint8_t> block(15473, 0);
    block[269] = 100;
    pak.Open(environment_.opsFile, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
    pak.Write(kPakSkOp, 0, 0, 0, block.data(), 15473);
    pak.Close();
    EXPECT_EQ(ErrorOf([&] { Open(true); }), corrupt);
}

TEST_F(CatalogTest, AMissingTextIsPakNotFound) {
    WriteOps({Skit(skRegular, 1, "one.gif")});
    PakArchive pak;
    pak.Open(environment_.opsFile, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
    std::vector<std::uint8_t> block = pak.Read(kPakSkOp, 0);
    block[273 + 21] = 99; // the record's file name now refers to PSTR 99, which is not there
    pak.Write(kPakSkOp, 0, 0, 0, block.data(), 15473);
    pak.Close();
    EXPECT_EQ(ErrorOf([&] { Open(); }), "Pak not found.");
}

namespace {

// Keeps the ops file from being opened for writing while it lives.
class WriteLock {
public:
    explicit WriteLock(const std::string& path) : path_(path) {
#if defined(_WIN32)
        // Another program holds it open for writing and lets others only read.
        file_.Open(path, sys::kGenericRead | sys::kGenericWrite, sys::kShareRead | sys::kShareWrite);
#else
        sys::SetAttributes(path, sys::kAttrReadOnly);
#endif
    }
    ~WriteLock() {
#if !defined(_WIN32)
        sys::SetAttributes(path_, sys::kAttrNormal);
#endif
    }

private:
    std::string path_;
    DiskFile file_;
};

} // namespace

TEST_F(CatalogTest, AnOpsFileThatCannotBeWrittenIsReadOnlyWhereAllowed) {
    PutMovie("one.gif");
    header_.lastListUpdate = 0; // long overdue
    WriteOps({Downloaded(Skit(skRegular, 1, "one.gif"))});
    const std::string before = ReadFile(environment_.opsFile);
    {
        WriteLock lock(environment_.opsFile);
        EXPECT_THROW(Open(false), EZolvaneError);

        auto catalog = Open(true);
        EXPECT_TRUE(catalog->IsReadOnly());
        EXPECT_EQ(catalog->ChooseNextSkit(), "one.gif");
        EXPECT_FALSE(catalog->IsListUpdateDue());
        catalog.reset();
    }
    EXPECT_TRUE(testing_files::SameBytes(ReadFile(environment_.opsFile), before));
}

TEST_F(CatalogTest, AHiddenOpsFileOpensAndSavesAsAnyOther) {
    WriteOps({Skit(skRegular, 1, "one.gif")});
    ASSERT_TRUE(sys::SetAttributes(environment_.opsFile, sys::kAttrHidden));
    ApplyAll(*Open(), dsScheduled);
    EXPECT_EQ(Open()->Records()[0].state, dsScheduled);
}

TEST_F(CatalogTest, OpeningPurgesUsedUpAndExpiredTimedSkitsWithTheirMovies) {
    SkitRecord usedUp = Downloaded(Skit(skTimed, 1, "used.gif"));
    usedUp.playsLeft = 0;
    SkitRecord expired = Downloaded(Skit(skTimed, 2, "expired.gif"));
    expired.availableUntil = kNoon2025 - 1;
    SkitRecord removed = Skit(skRegular, 3, "removed.gif");
    removed.state = dsRemove;
    for (const char* movie : {"used.gif", "expired.gif", "removed.gif", "kept.gif"}) {
        PutMovie(movie);
    }
    header_.timedInterval = 4;
    header_.timedPlaysPerStart = 3;
    // A movie that a skit which stays names as well is kept with it.
    SkitRecord sharing = Downloaded(Skit(skTimed, 4, "kept.gif"));
    sharing.playsLeft = 0;
    WriteOps({usedUp, Downloaded(Skit(skRegular, 9, "kept.gif")), expired, removed, sharing});

    auto catalog = Open();
    ASSERT_EQ(catalog->Records().size(), 1u);
    EXPECT_EQ(catalog->Records()[0].id, 9);
    EXPECT_FALSE(Exists(Skits("used.gif")));
    EXPECT_FALSE(Exists(Skits("expired.gif")));
    EXPECT_FALSE(Exists(Skits("removed.gif")));
    EXPECT_TRUE(Exists(Skits("kept.gif")));
    EXPECT_EQ(catalog->Header().timedCountdown, 4);
    EXPECT_EQ(catalog->Header().timedPlaysLeft, 3);
}

// Another user could put a link in place of a shared folder, to have our writes and deletes land where
// that user chose. Built on POSIX only: the Wine of the tests makes no links (its CreateSymbolicLink
// makes nothing), and the Windows half asks only for the folder's reparse-point attribute.
#if !defined(_WIN32)
TEST_F(CatalogTest, ASkitsDownloadOrLogFolderThatIsALinkIsRefused) {
    WriteOps({});
    std::filesystem::create_directory(folder_ / "logs");
    std::filesystem::create_directory(folder_ / "elsewhere");
    environment_.log = folder_ / "logs/download.log";
    for (const char* linked : {"skits", "downloads", "logs"}) {
        SCOPED_TRACE(linked);
        const std::filesystem::path real = folder_ / (std::string(linked) + "-real");
        std::filesystem::rename(folder_ / linked, real);
        std::filesystem::create_directory_symlink(folder_ / "elsewhere", folder_ / linked);
        WriteFile(Skits("zolvane.syn"), "a list that must stay unread");
        TraceSetFile(folder_ / "trace.log", false);
        const std::string message =
            "The folder " + (folder_ / linked) + " is a link to another place. Zolvane does not use it.";
        EXPECT_EQ(ErrorOf([&] { Open(); }), message);
        EXPECT_EQ(Traced(), std::vector<std::string>{".ERROR.. " + message});
        EXPECT_EQ(ReadFile(Skits("zolvane.syn")), "a list that must stay unread");
        std::filesystem::remove(folder_ / linked);
        std::filesystem::remove(folder_ / "elsewhere/zolvane.syn");
        std::filesystem::rename(real, folder_ / linked);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder_ / "elsewhere"));
}

// Any user may make files beside the ops file: a link at the name of the save's new file must not make
// the save write another user's file.
TEST_F(CatalogTest, ASaveNeverWritesThroughALinkAtTheNameOfItsNewFile) {
    WriteOps({Skit(skRegular, 1, "one.gif")});
    const std::string bystander = folder_ / "theirs.bat";
    WriteFile(bystander, "keep me");
    std::filesystem::create_symlink(bystander, environment_.opsFile + "1");
    auto catalog = Open();
    catalog->MergeSyncFile(WriteList({Skit(skRegular, 2, "two.gif")}), false);
    EXPECT_EQ(ReadFile(bystander), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(environment_.opsFile));
    EXPECT_EQ(Open()->Records().size(), 2u);
}
#endif

TEST_F(CatalogTest, OpeningFindsMissingMoviesAndTrimsAnOvergrownLog) {
    PutMovie("here.gif");
    WriteOps({Downloaded(Skit(skRegular, 1, "gone.gif")), Downloaded(Skit(skRegular, 2, "here.gif"))});
    WriteFile(environment_.log, std::string(512001, 'l'));
    auto catalog = Open();
    EXPECT_EQ(catalog->Records()[0].state, dsAvailable);
    EXPECT_EQ(catalog->Records()[0].play, pcNo);
    EXPECT_EQ(catalog->Records()[1].state, dsDownloaded);
    EXPECT_FALSE(Exists(environment_.log));

    WriteFile(environment_.log, std::string(512000, 'l'));
    catalog.reset();
    Open();
    EXPECT_TRUE(Exists(environment_.log));
}

TEST_F(CatalogTest, AListLeftInTheSkitsFolderIsMergedAndDeletedAtTheNextStart) {
    WriteOps({});
    PutMovie("present.gif");
    SyncHeader header;
    header.listUrl.text = "http://example.com/skits.syn";
    WriteSyncFile(Skits("zolvane.syn"), header, {Skit(skRegular, 1, "present.gif"), Skit(skRegular, 2, "absent.gif")});
    environment_.now = kNoon2025 + 5;

    auto catalog = Open();
    EXPECT_FALSE(Exists(Skits("zolvane.syn")));
    ASSERT_EQ(catalog->Records().size(), 2u);
    EXPECT_EQ(catalog->Records()[0].state, dsDownloaded);
    EXPECT_EQ(catalog->Records()[0].play, pcYes);
    EXPECT_EQ(catalog->Records()[1].state, dsAvailable);
    EXPECT_EQ(catalog->LastListUpdate(), kNoon2025 + 5);
}

// ---- Merging skit lists ------------------------------------------------------------------------------

TEST_F(CatalogTest, AListOf120NewSkitsAddsNinetyNineThenStops) {
    WriteOps({});
    std::vector<SkitRecord> skits;
    for (int id = 1; id <= 120; ++id) {
        skits.push_back(Skit(skRegular, id, "skit" + std::to_string(id) + ".gif"));
    }
    const std::string list = WriteList(skits);
    {
        auto catalog = Open();
        EXPECT_EQ(ErrorOf([&] { catalog->MergeSyncFile(list, false); }), "Can't add skit - max entries!");
        EXPECT_EQ(catalog->Records().size(), 99u);
        EXPECT_EQ(catalog->Records().back().id, 99);
        EXPECT_FALSE(Exists(list));
    }
    auto again = Open();
    ASSERT_EQ(again->Records().size(), 99u);
    EXPECT_EQ(again->Records()[98].fileName.text, "skit99.gif");
}

TEST_F(CatalogTest, ANewSkitArrivesDownloadedWhenItsMovieIsThere) {
    WriteOps({});
    PutMovie("there.gif");
    SkitRecord keyed = Skit(skRegular, 2, "keyed.gif");
    keyed.keyCode = 0x4B;
    keyed.keyAction = 2;
    keyed.keyText.text = "http://example.com/keyed";
    const std::string list = WriteList({Skit(skRegular, 1, "there.gif"), keyed});
    auto catalog = Open();
    catalog->MergeSyncFile(list, false);
    EXPECT_TRUE(catalog->Changed());
    EXPECT_EQ(catalog->Records()[0].state, dsDownloaded);
    EXPECT_EQ(catalog->Records()[0].play, pcYes);
    EXPECT_EQ(catalog->Records()[1].keyCode, 0x4B);
    EXPECT_EQ(catalog->Records()[1].keyText.text, "http://example.com/keyed");
    EXPECT_NE(catalog->Records()[1].keyText.id, 0);
}

TEST_F(CatalogTest, NewSkitsAreScheduledWhenTheyArriveAutomatically) {
    environment_.syncMethod = smAutomatic;
    WriteOps({Skit(skRegular, 1, "old.gif")});
    const std::string list = WriteList({Skit(skRegular, 2, "new.gif")});
    auto catalog = Open();
    catalog->MergeSyncFile(list, false);
    for (const SkitRecord& record : catalog->Records()) {
        EXPECT_EQ(record.state, dsScheduled) << record.id;
        EXPECT_EQ(record.play, pcAfterDownload) << record.id;
    }
}

TEST_F(CatalogTest, AFailedListIsNeitherMergedNorDeleted) {
    WriteOps({});
    const std::string list = WriteList({Skit(skRegular, 1, "one.gif")});
    auto catalog = Open();
    catalog->MergeSyncFile(list, true);
    EXPECT_TRUE(catalog->Records().empty());
    EXPECT_TRUE(Exists(list));
}

TEST_F(CatalogTest, AnEqualVersionChangesNothingEvenWithAnUpdateMask) {
    WriteOps({Skit(skRegular, 1, "one.gif", 5)});
    SkitRecord same = Skit(skRegular, 1, "renamed.gif", 5);
    same.updateMask = 0xFF;
    same.name.text = "Renamed";
    const std::string list = WriteList({same});
    auto catalog = Open();
    catalog->MergeSyncFile(list, false);
    EXPECT_FALSE(catalog->Changed());
    EXPECT_EQ(catalog->Records()[0].fileName.text, "one.gif");
    EXPECT_EQ(catalog->Records()[0].name.text, "Skit 1");
    EXPECT_EQ(catalog->Records()[0].updateMask, 0u);
}

TEST_F(CatalogTest, AFullUpdateSchedulesTheSkitAgainAndKeepsItsPlays) {
    PutMovie("one.gif");
    SkitRecord old = Downloaded(Skit(skRegular, 1, "one.gif", 1));
    old.plays = 12;
    old.playsLeft = 3;
    WriteOps({old});
    SkitRecord newer = Skit(skRegular, 1, "one.gif", 2);
    newer.name.text = "Better";
    newer.contentStamp = 77;
    newer.plays = 0;
    newer.playsLeft = 50;
    const std::string list = WriteList({newer});
    auto catalog = Open();
    catalog->MergeSyncFile(list, false);
    const SkitRecord& record = catalog->Records()[0];
    EXPECT_EQ(record.version, 2u);
    EXPECT_EQ(record.name.text, "Better");
    EXPECT_EQ(record.contentStamp, 77);
    EXPECT_EQ(record.state, dsScheduled);
    EXPECT_EQ(record.play, pcYes);
    EXPECT_EQ(record.plays, 12);
    EXPECT_EQ(record.playsLeft, 3);
    EXPECT_TRUE(Exists(Skits("one.gif"))); // until the new download replaces it
}

TEST_F(CatalogTest, EachPartialUpdateBitTakesExactlyItsFields) {
    SkitRecord base = Downloaded(Skit(skRegular, 1, "one.gif", 1));
    base.contentStamp = 1;
    base.plays = 5;
    base.playsLeft = 9;
    base.keyCode = 1;
    base.keyAction = 1;
    base.keyText.text = "http://example.com/old-key";

    SkitRecord update = Skit(skRegular, 1, "new.gif", 2);
    update.flags = 0xF0;
    update.name.text = "New name";
    update.description.text = "New description";
    update.url.text = "http://example.com/new.gif";
    update.contentStamp = 2;
    update.playsLeft = 40;
    update.availableFrom = kNoon2025 + 1;
    update.availableUntil = kNoon2025 + 2;
    update.keyCode = 2;
    update.keyAction = 2;
    update.keyText.text = "http://example.com/new-key";

    for (const std::uint32_t bit : {upIdentity, upContent, upPlays, upWindow, upUrl, upKey}) {
        PutMovie("one.gif");
        WriteOps({base});
        update.updateMask = bit;
        const std::string list = WriteList({update});
        auto catalog = Open();
        catalog->MergeSyncFile(list, false);
        const SkitRecord& r = catalog->Records()[0];
        SCOPED_TRACE(bit);
        EXPECT_EQ(r.updateMask, bit);
        EXPECT_EQ(r.version, bit == upIdentity ? 2u : 1u);
        EXPECT_EQ(r.flags, bit == upIdentity ? 0xF0u : 0u);
        EXPECT_EQ(r.name.text, bit == upIdentity ? "New name" : "Skit 1");
        EXPECT_EQ(r.fileName.text, bit == upIdentity ? "new.gif" : "one.gif");
        EXPECT_EQ(r.description.text, bit == upIdentity ? "New description" : "About skit 1");
        EXPECT_EQ(r.url.text, bit == upUrl ? "http://example.com/new.gif" : "http://example.com/skits/one.gif");
        EXPECT_EQ(r.keyCode, bit == upKey ? 2 : 1);
        EXPECT_EQ(r.keyText.text, bit == upKey ? "http://example.com/new-key" : "http://example.com/old-key");
        EXPECT_EQ(r.availableFrom, bit == upWindow ? kNoon2025 + 1 : base.availableFrom);
        EXPECT_EQ(r.availableUntil, bit == upWindow ? kNoon2025 + 2 : kFarFuture);
        EXPECT_EQ(r.contentStamp, bit == upContent ? 2 : 1);
        EXPECT_EQ(r.state, bit == upContent ? dsScheduled : dsDownloaded);
        EXPECT_EQ(r.playsLeft, bit == upPlays ? 40 : 9);
        EXPECT_EQ(r.plays, bit == upPlays ? 0 : 5);
    }
}

TEST_F(CatalogTest, AListNoNewerThanOursLeavesTheHeaderButMergesItsSkits) {
    header_.listVersion = 4;
    header_.timedInterval = 3;
    WriteOps({});
    SyncHeader older;
    older.listVersion = 4;
    older.listUrl.text = "http://elsewhere.example.com/list.syn";
    older.timedInterval = 9;
    older.listIntervalDays = 30;
    WriteSyncFile(Downloads("skits.syn"), older, {Skit(skRegular, 1, "one.gif")});
    auto catalog = Open();
    catalog->MergeSyncFile(Downloads("skits.syn"), false);
    EXPECT_EQ(catalog->Header().listUrl.text, "http://example.com/skits.syn");
    EXPECT_EQ(catalog->Header().timedInterval, 3);
    EXPECT_EQ(catalog->Header().listIntervalDays, 7u);
    EXPECT_EQ(catalog->Records().size(), 1u);

    SyncHeader newer = older;
    newer.listVersion = 5;
    newer.syncValueA = 11;
    WriteSyncFile(Downloads("skits.syn"), newer, {});
    catalog->MergeSyncFile(Downloads("skits.syn"), false);
    EXPECT_EQ(catalog->Header().listUrl.text, "http://elsewhere.example.com/list.syn");
    EXPECT_EQ(catalog->Header().timedInterval, 9);
    EXPECT_EQ(catalog->Header().listIntervalDays, 30u);
    EXPECT_EQ(catalog->Header().syncValueA, 11u);
    EXPECT_EQ(catalog->Header().listVersion, 4u); // the list's version is never ours to change
}

TEST_F(CatalogTest, AListMayNotMoveItsAddressOffHttpsNorToWhatIsNoAddress) {
    const struct {
        const char* before;
        std::string offered;
        const char* after;
    } cases[] = {
        {"https://example.com/skits.syn", "http://example.com/skits.syn", "https://example.com/skits.syn"},
        {"HTTPS://example.com/skits.syn", "http://evil.example/skits.syn", "HTTPS://example.com/skits.syn"},
        {"https://example.com/skits.syn", "file:///C:/x.syn", "https://example.com/skits.syn"},
        {"http://example.com/skits.syn", "http://x/" + std::string(2075, 'a'), "http://example.com/skits.syn"},
        {"http://example.com/skits.syn", "https://example.com/new.syn", "https://example.com/new.syn"},
        {"https://example.com/skits.syn", "Https://example.com/new.syn", "Https://example.com/new.syn"},
        {"http://example.com/skits.syn", "http://example.com/new.syn", "http://example.com/new.syn"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offered.substr(0, 40));
        header_.listUrl.text = c.before;
        WriteOps({});
        SyncHeader newer;
        newer.listVersion = 1;
        newer.listUrl.text = c.offered;
        WriteSyncFile(Downloads("skits.syn"), newer, {});
        TraceSetFile(folder_ / "trace.log", false);
        Open()->MergeDownloadedList(Downloads("skits.syn"));
        EXPECT_EQ(Open()->Header().listUrl.text, c.after);
        const bool kept = c.offered != c.after;
        ASSERT_EQ(Traced().size(), kept ? 1u : 0u);
        if (kept) {
            EXPECT_EQ(Traced()[0].substr(0, 9), ".WARNING ");
        }
    }
}

TEST_F(CatalogTest, AnEntryOverALimitIsLeftOutAndTheOpsFileStaysSmall) {
    WriteOps({});
    const auto over = [](std::size_t limit) { return std::string(limit + 1, 'x'); };
    std::vector<SkitRecord> skits(6, Skit(skRegular, 0, "x.gif"));
    for (std::size_t i = 0; i < skits.size(); ++i) {
        skits[i].id = static_cast<std::int32_t>(i + 1);
        skits[i].keyCode = 'K';
        skits[i].keyAction = 1;
        skits[i].keyText.text = "http://example.com/key";
    }
    skits[0].fileName.text = over(kMaxFileNameText - 4) + ".gif";
    skits[1].url.text = "http://x/" + over(kMaxAddressText - 9);
    skits[2].name.text = over(kMaxNameText);
    skits[3].description.text = std::string(1000000, 'd');
    skits[4].keyText.text = over(kMaxKeyText);
    // Every text at its limit is taken.
    skits[5].fileName.text = std::string(kMaxFileNameText - 4, 'f') + ".gif";
    skits[5].url.text = "http://x/" + std::string(kMaxAddressText - 9, 'u');
    skits[5].name.text = std::string(kMaxNameText, 'n');
    skits[5].description.text = std::string(kMaxDescriptionText, 'd');
    skits[5].keyText.text = std::string(kMaxKeyText, 'k');
    WriteList(skits);
    {
        auto catalog = Open();
        catalog->MergeDownloadedList(Downloads("skits.syn"));
        ASSERT_EQ(catalog->Records().size(), 1u);
        EXPECT_EQ(catalog->Records()[0].id, 6);
    }
    EXPECT_LT(std::filesystem::file_size(environment_.opsFile), 64u * 1024);
    EXPECT_EQ(Open()->Records()[0].keyText.text, skits[5].keyText.text);
    const std::vector<std::string> expected = {
        ".WARNING Skit 1 of the skit list is left out: its file name is longer than 255 bytes.",
        ".WARNING Skit 2 of the skit list is left out: its address is longer than 2083 bytes.",
        ".WARNING Skit 3 of the skit list is left out: its name is longer than 255 bytes.",
        ".WARNING Skit 4 of the skit list is left out: its description is longer than 4096 bytes.",
        ".WARNING Skit 5 of the skit list is left out: its key text is longer than 4096 bytes."};
    EXPECT_EQ(Traced(), expected);
}

TEST_F(CatalogTest, AListLeftInTheSkitsFolderOverItsLimitIsDeletedUnread) {
    WriteOps({Skit(skRegular, 1, "one.gif")});
    WriteFile(Skits("zolvane.syn"), std::string(kMaxSkitListBytes + 1, 'x'));
    auto catalog = Open();
    EXPECT_FALSE(Exists(Skits("zolvane.syn")));
    EXPECT_EQ(catalog->Records().size(), 1u);
    ASSERT_EQ(Traced().size(), 1u);
    EXPECT_EQ(Traced()[0], ".ERROR.. The skit list " + environment_.skits +
                               "\\zolvane.syn is larger than 1048576 bytes and is not merged.");
}

TEST_F(CatalogTest, AListLeftInTheSkitsFolderNeverStopsAStartNorLosesWhatItMerged) {
    WriteOps({Skit(skRegular, 1, "one.gif")});
    const std::string list = Skits("zolvane.syn");
    const std::string shown = JoinPath(environment_.skits, "zolvane.syn"); // as the catalogue names it
    const std::string message = "The skit list " + shown + " ";

    // Damaged: set aside with one ERROR line, and the catalogue opens as it was.
    WriteFile(list, "no skit list at all");
    EXPECT_EQ(Open()->Records().size(), 1u);
    EXPECT_FALSE(Exists(list));
    EXPECT_EQ(ReadFile(list + ".damaged"), "no skit list at all");
    EXPECT_EQ(Traced(), Names{".ERROR.. " + message + "is damaged (The file is missing or corrupt. " + shown +
                              ") and was set aside as " + shown + ".damaged."});

    // Read-only: the list waits for a start that can save its skits.
    std::vector<SkitRecord> skits;
    for (int id = 2; id <= 120; ++id) {
        skits.push_back(Skit(skRegular, id, "skit" + std::to_string(id) + ".gif"));
    }
    WriteSyncFile(list, SyncHeader(), skits);
    {
        WriteLock lock(environment_.opsFile);
        EXPECT_EQ(Open(true)->Records().size(), 1u);
    }
    EXPECT_TRUE(Exists(list));

    // Longer than the free slots: what fits is saved, the rest goes with the list.
    EXPECT_EQ(Open()->Records().size(), 99u);
    EXPECT_FALSE(Exists(list));
    EXPECT_EQ(Traced().back(),
              ".ERROR.. " + message + "was merged up to the last free slot: Can't add skit - max entries!");
    const auto catalog = Open();
    ASSERT_EQ(catalog->Records().size(), 99u);
    EXPECT_EQ(catalog->Records()[98].fileName.text, "skit99.gif");
}

TEST_F(CatalogTest, ListsWithShortResourcesAreRefusedAsCorrupt) {
    WriteOps({});
    auto catalog = Open();
    const std::string path = Downloads("skits.syn");
    {
        PakArchive pak;
        pak.Open(path, true, nullptr, sys::kGenericRead | sys::kGenericWrite);
        pak.Write(kPakSYNC, 1, 0, 0, std::string(47, '\0').data(), 47);
    }
    EXPECT_EQ(ErrorOf([&] { catalog->MergeSyncFile(path, false); }), "The file is missing or corrupt. " + path);

    WriteList({Skit(skRegular, 1, "one.gif")});
    {
        PakArchive pak;
        pak.Open(path, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
        std::vector<std::uint8_t> skit = pak.Read(kPakSKIT, 1);
        skit.resize(91);
        pak.Write(kPakSKIT, 1, 0, 0, skit.data(), 91);
    }
    EXPECT_EQ(ErrorOf([&] { catalog->MergeSyncFile(path, false); }), "The file is missing or corrupt. " + path);
    EXPECT_TRUE(catalog->Records().empty());
}

// ---- Hostile file names and addresses --------------------------------------------------------------

TEST_F(CatalogTest, AFileNameThatLeavesTheSkitsFolderIsNeverUsed) {
    // Files that a careless join would reach: one and two folders up, in a subfolder, and the skit
    // that Windows would open for "x.gif." or "x.gif::$DATA".
    const std::vector<std::string> bystanders = {folder_ / "x.gif", folder_ / "x", In("skits", "sub") + "/x.gif",
                                                 Skits("x.gif")};
    std::filesystem::create_directory(In("skits", "sub"));
    std::filesystem::create_directory(In("skits", "a"));
    for (const std::string& bystander : bystanders) {
        WriteFile(bystander, "keep me");
    }
    for (const std::string& name : kHostileFileNames) {
        SCOPED_TRACE(testing::PrintToString(name));
        SkitRecord timed = Downloaded(Skit(skTimed, 1, name));
        timed.playsLeft = 0; // purged at opening, with its movie
        WriteOps({Downloaded(Skit(skRegular, 1, name)), timed, Skit(skSpecial, 1, name)});

        auto catalog = Open();
        EXPECT_EQ(catalog->ChooseNextSkit(), std::nullopt);
        EXPECT_EQ(catalog->SkitFileName(skRegular, 1), std::nullopt);
        EXPECT_EQ(catalog->SkitFileName(skSpecial, 1), std::nullopt);
        EXPECT_EQ(catalog->SkitState(skRegular, 1), dsAvailable);
        // Scheduled, but never fetched: no download is started for it.
        ApplyAll(*catalog, dsScheduled);
        EXPECT_FALSE(catalog->StartSkitDownloads(nullptr));
        // Everything else about it is kept for a list that puts it right.
        catalog.reset();
        EXPECT_EQ(Open()->Records().size(), 2u);
        for (const std::string& bystander : bystanders) {
            EXPECT_EQ(ReadFile(bystander), "keep me") << bystander;
        }
    }
    EXPECT_TRUE(jobs_.started.empty());
}

TEST_F(CatalogTest, FileNamesThatOnlyLookLikeDevicesOrDotsPlay) {
    const std::vector<std::string> names = {"x.gif",     "a.b.gif", "x..gif",       ".x.gif",    "CONSOLE.gif",
                                            "COM10.gif", "LPT.gif", "nul-skit.gif", "con_1.gif", "x y.gif"};
    std::vector<SkitRecord> records;
    for (std::size_t i = 0; i < names.size(); ++i) {
        PutMovie(names[i]);
        records.push_back(Downloaded(Skit(skRegular, static_cast<std::int32_t>(i + 1), names[i])));
    }
    WriteOps(records);
    auto catalog = Open();
    EXPECT_EQ(Picks(*catalog, static_cast<int>(names.size())), names);
}

// ---- Picking what plays -------------------------------------------------------------------------------

TEST_F(CatalogTest, TheRegularRotationGoesOnAfterTheSkitPlayedLast) {
    for (const char* movie : {"a.gif", "b.gif", "c.gif"}) {
        PutMovie(movie);
    }
    SkitRecord notWanted = Downloaded(Skit(skRegular, 4, "a.gif"));
    notWanted.play = pcNo;
    SkitRecord usedUp = Downloaded(Skit(skRegular, 5, "a.gif"));
    usedUp.playsLeft = 0;
    header_.lastRegularId = 2;
    WriteOps({Downloaded(Skit(skRegular, 1, "a.gif")), Downloaded(Skit(skRegular, 2, "b.gif")), notWanted,
              Downloaded(Skit(skTimed, 9, "c.gif")), usedUp, Downloaded(Skit(skRegular, 3, "c.gif"))});
    auto catalog = Open();
    EXPECT_EQ(Picks(*catalog, 5), (Names{"c.gif", "a.gif", "b.gif", "c.gif", "a.gif"}));
    EXPECT_EQ(catalog->Header().lastRegularId, 1);
}

TEST_F(CatalogTest, TheRotationRestartsWhenTheLastPlayedSkitIsGone) {
    PutMovie("a.gif");
    PutMovie("b.gif");
    header_.lastRegularId = 42;
    WriteOps({Downloaded(Skit(skRegular, 1, "a.gif")), Downloaded(Skit(skRegular, 2, "b.gif"))});
    EXPECT_EQ(Picks(*Open(), 3), (Names{"a.gif", "b.gif", "a.gif"}));
}

TEST_F(CatalogTest, OneEligibleSkitPlaysEveryTimeAndCountsItsPlays) {
    PutMovie("only.gif");
    SkitRecord only = Downloaded(Skit(skRegular, 1, "only.gif"));
    only.playsLeft = 2;
    WriteOps({only, Skit(skRegular, 2, "other.gif")});
    auto catalog = Open();
    EXPECT_EQ(Picks(*catalog, 3), (Names{"only.gif", "only.gif", "-"}));
    EXPECT_EQ(catalog->Records()[0].plays, 2);
    EXPECT_EQ(catalog->Records()[0].playsLeft, 0);
}

TEST_F(CatalogTest, AMovieThatDisappearedIsTakenOutOfTheRotation) {
    PutMovie("a.gif");
    PutMovie("b.gif");
    WriteOps({Downloaded(Skit(skRegular, 1, "a.gif")), Downloaded(Skit(skRegular, 2, "b.gif"))});
    auto catalog = Open();
    std::filesystem::remove(Skits("b.gif"));
    EXPECT_EQ(Picks(*catalog, 2), (Names{"a.gif", "a.gif"}));
    EXPECT_EQ(catalog->Records()[1].state, dsAvailable);
    EXPECT_EQ(catalog->Records()[1].play, pcNo);
}

TEST_F(CatalogTest, TimedSkitsComeEveryNthPickWhilePlaysPerStartLast) {
    PutMovie("regular.gif");
    PutMovie("timed.gif");
    header_.timedEnabled = 1;
    header_.timedInterval = 3;
    header_.timedPlaysPerStart = 2;
    WriteOps({Downloaded(Skit(skRegular, 1, "regular.gif")), Downloaded(Skit(skTimed, 1, "timed.gif"))});
    auto catalog = Open();
    EXPECT_EQ(Picks(*catalog, 9), (Names{"regular.gif", "regular.gif", "timed.gif", "regular.gif", "regular.gif",
                                         "timed.gif", "regular.gif", "regular.gif", "regular.gif"}));
    EXPECT_EQ(catalog->Header().timedPlaysTotal, 2);
    EXPECT_EQ(catalog->Records()[1].plays, 2);
}

TEST_F(CatalogTest, TimedSkitsPlayOnlyInsideTheirWindowAndInTurn) {
    for (const char* movie : {"t1.gif", "t2.gif", "t3.gif"}) {
        PutMovie(movie);
    }
    SkitRecord notYet = Downloaded(Skit(skTimed, 2, "t2.gif"));
    notYet.availableFrom = kNoon2025 + kDay;
    header_.timedEnabled = 1;
    header_.timedInterval = 1;
    header_.timedPlaysPerStart = -1;
    header_.lastTimedId = 1;
    WriteOps({Downloaded(Skit(skTimed, 1, "t1.gif")), notYet, Downloaded(Skit(skTimed, 3, "t3.gif"))});
    auto catalog = Open();
    EXPECT_EQ(Picks(*catalog, 3), (Names{"t3.gif", "t1.gif", "t3.gif"}));
}

TEST_F(CatalogTest, ATimedSkitWithOnePlayLeftPlaysOnceAndGoesAtTheNextStart) {
    PutMovie("once.gif");
    SkitRecord once = Downloaded(Skit(skTimed, 1, "once.gif"));
    once.playsLeft = 1;
    SkitRecord forever = Downloaded(Skit(skTimed, 2, "once.gif"));
    forever.playsLeft = -1;
    header_.timedEnabled = 1;
    header_.timedInterval = 1;
    header_.timedPlaysPerStart = 1;
    WriteOps({once});
    {
        auto catalog = Open();
        EXPECT_EQ(Picks(*catalog, 2), (Names{"once.gif", "-"}));
        EXPECT_EQ(catalog->Records()[0].playsLeft, 0);
    }
    auto next = Open();
    EXPECT_TRUE(next->Records().empty());
    EXPECT_FALSE(Exists(Skits("once.gif")));
}

TEST_F(CatalogTest, TheKeyActionBelongsToTheSkitPickedLast) {
    PutMovie("a.gif");
    SkitRecord keyed = Downloaded(Skit(skRegular, 1, "a.gif"));
    keyed.keyCode = 0x41;
    keyed.keyAction = 2;
    keyed.keyText.text = "http://example.com/a";
    WriteOps({keyed});
    auto catalog = Open();
    catalog->ChooseNextSkit();
    const auto action = catalog->CurrentKeyAction(0x41);
    ASSERT_TRUE(action.has_value());
    EXPECT_EQ(action->keyAction, 2);
    EXPECT_EQ(action->keyText, "http://example.com/a");
    EXPECT_FALSE(catalog->CurrentKeyAction(0x42).has_value());
}

TEST_F(CatalogTest, AnUpdateIsDueWhenSkitsWaitOrTheIntervalHasPassed) {
    header_.listIntervalDays = 0;
    header_.lastListUpdate = kNoon2025;
    WriteOps({});
    auto catalog = Open();
    EXPECT_FALSE(catalog->IsListUpdateDue());
    environment_.now = kNoon2025 + 1;
    EXPECT_TRUE(catalog->IsListUpdateDue());
    catalog.reset();

    header_.listIntervalDays = 7;
    header_.lastListUpdate = kNoon2025 - 7 * kDay;
    WriteOps({Skit(skRegular, 1, "one.gif")});
    environment_.now = kNoon2025;
    catalog = Open();
    EXPECT_FALSE(catalog->IsListUpdateDue());
    environment_.now = kNoon2025 + 1;
    EXPECT_TRUE(catalog->IsListUpdateDue());
    environment_.now = kNoon2025;
    ApplyAll(*catalog, dsScheduled);
    EXPECT_TRUE(catalog->IsListUpdateDue());
    catalog.reset();

    // An interval too long to count never runs out.
    header_.listIntervalDays = 0xFFFFFFFF;
    WriteOps({});
    environment_.now = ~0ull;
    EXPECT_FALSE(Open()->IsListUpdateDue());
}

// ---- The settings grid -----------------------------------------------------------------------------

TEST_F(CatalogTest, TheGridSeesAndChangesTheSkitsOfOneKind) {
    WriteOps({Skit(skRegular, 1, "a.gif"), Skit(skTimed, 1, "t.gif"), Skit(skRegular, 2, "b.gif")});
    auto catalog = Open();
    std::vector<GridRow> rows = catalog->ExportGridRows(skRegular);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].name, "Skit 2");
    EXPECT_EQ(rows[1].description, "About skit 2");
    rows[1].state = dsScheduled;
    rows[1].play = pcAfterDownload;
    rows.push_back({"ghost", "", 99, dsScheduled, pcYes, 0});
    catalog->ApplyGridRows(rows, skRegular);
    EXPECT_EQ(catalog->SkitState(skRegular, 2), dsScheduled);
    EXPECT_EQ(catalog->Records()[2].play, pcAfterDownload);
    EXPECT_EQ(catalog->SkitState(skTimed, 1), dsAvailable);
    EXPECT_EQ(catalog->SkitState(skRegular, 99), 0);
}

// A list may set the counters to their limits: picking stops them there instead of wrapping round.
TEST_F(CatalogTest, CountersAtTheirLimitsStopThereInsteadOfWrappingRound) {
    constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
    SkitRecord regular = Downloaded(Skit(skRegular, 1, "one.gif"));
    regular.plays = kMost;
    SkitRecord timed = Downloaded(Skit(skTimed, 2, "two.gif"));
    timed.plays = kMost;
    PutMovie("one.gif");
    PutMovie("two.gif");
    for (const std::int32_t interval : {1, std::numeric_limits<std::int32_t>::min()}) {
        header_.timedEnabled = 1;
        header_.timedInterval = interval;
        header_.timedPlaysPerStart = kMost;
        header_.timedPlaysTotal = kMost;
        WriteOps({regular, timed});
        const auto catalog = Open();
        for (int pick = 0; pick < 3; ++pick) {
            catalog->ChooseNextSkit();
        }
        EXPECT_EQ(catalog->Records()[0].plays, kMost);
        EXPECT_EQ(catalog->Records()[1].plays, kMost);
        EXPECT_EQ(catalog->Header().timedPlaysTotal, kMost);
    }
}
