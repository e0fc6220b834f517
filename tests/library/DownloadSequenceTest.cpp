#include "library/ListSignature.h"
#include "tests/library/CatalogTestSupport.h"
#include "tests/library/TestSigning.h"

using namespace catalog_testing;
using testing_files::ReadFile;
using testing_files::WriteFile;

namespace {

NotifyWindow const kWindow = reinterpret_cast<NotifyWindow>(0x1234);

SkitRecord Scheduled(SkitRecord skit) {
    skit.state = dsScheduled;
    skit.play = pcAfterDownload;
    return skit;
}

class DownloadSequenceTest : public CatalogTest {
protected:
    // The transfer the job was asked for last has "arrived" with the given contents.
    void Arrive(const std::string& contents) { WriteFile(sys::NativePath(jobs_.started.back().localFile), contents); }
};

} // namespace

TEST_F(DownloadSequenceTest, TheListArrivesThenEveryScheduledSkitInTurn) {
    environment_.syncMethod = smAutomatic;
    WriteOps({Skit(skRegular, 1, "one.gif")});
    auto catalog = Open();

    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, true));
    ASSERT_EQ(jobs_.started.size(), 1u);
    EXPECT_EQ(jobs_.started[0].url, "http://example.com/skits.syn");
    EXPECT_EQ(sys::NativePath(jobs_.started[0].localFile), Downloads("skits.syn"));
    EXPECT_EQ(jobs_.started[0].displayName, "Skit list");
    EXPECT_EQ(jobs_.started[0].window, kWindow);
    EXPECT_FALSE(jobs_.started[0].resumable);
    EXPECT_EQ(catalog->Phase(), phSkitList);
    EXPECT_EQ(catalog->DownloadsPlanned(), 1);
    EXPECT_EQ(catalog->CurrentDownloadName(), "Skit list");

    WriteList({Skit(skRegular, 2, "two.gif")});
    environment_.now = kNoon2025 + 100;
    EXPECT_TRUE(catalog->OnDownloadDone(false));
    EXPECT_EQ(catalog->LastListUpdate(), kNoon2025 + 100);
    EXPECT_FALSE(Exists(Downloads("skits.syn")));
    EXPECT_EQ(catalog->Phase(), phSkits);
    EXPECT_EQ(catalog->DownloadsPlanned(), 2);
    ASSERT_EQ(jobs_.started.size(), 2u);
    EXPECT_EQ(jobs_.started[1].url, "http://example.com/skits/one.gif");
    EXPECT_EQ(sys::NativePath(jobs_.started[1].localFile), Downloads("one.gif"));
    EXPECT_EQ(jobs_.started[1].displayName, "Skit 1");
    EXPECT_TRUE(jobs_.started[1].resumable);
    EXPECT_EQ(catalog->CurrentDownloadName(), "Skit 1");

    Arrive("movie one");
    EXPECT_TRUE(catalog->OnDownloadDone(false));
    EXPECT_EQ(ReadFile(Skits("one.gif")), "movie one");
    EXPECT_FALSE(Exists(Downloads("one.gif")));
    EXPECT_EQ(catalog->Records()[0].state, dsDownloaded);
    EXPECT_EQ(catalog->Records()[0].play, pcYes);
    EXPECT_TRUE(catalog->Changed());
    EXPECT_EQ(catalog->DownloadsDone(), 1);
    ASSERT_EQ(jobs_.started.size(), 3u);
    EXPECT_EQ(jobs_.started[2].displayName, "Skit 2");

    Arrive("movie two");
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(catalog->Phase(), phIdle);
    EXPECT_FALSE(catalog->HasJob());
    EXPECT_EQ(jobs_.jobsMade, 1);
    EXPECT_EQ(jobs_.jobsAlive, 0);
    EXPECT_EQ(jobs_.progressResets, 2);
    EXPECT_EQ(catalog->DownloadsDone(), 2);
    EXPECT_EQ(catalog->ChooseNextSkit(), "one.gif");
}

TEST_F(DownloadSequenceTest, TheDialogsListDownloadEndsAfterTheMerge) {
    environment_.syncMethod = smAutomatic;
    WriteOps({Skit(skRegular, 1, "one.gif")});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, false));
    WriteList({Skit(skRegular, 2, "two.gif")});
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(catalog->Phase(), phIdle);
    EXPECT_FALSE(catalog->HasJob());
    EXPECT_EQ(jobs_.started.size(), 1u);
    EXPECT_EQ(catalog->CountSkits(skRegular, dsScheduled), 2);
}

TEST_F(DownloadSequenceTest, AFailedListEndsTheSequenceAndChangesNothing) {
    WriteOps({Scheduled(Skit(skRegular, 1, "one.gif"))});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, true));
    const std::string list = WriteList({Skit(skRegular, 2, "two.gif")});
    environment_.now = kNoon2025 + 100;
    EXPECT_FALSE(catalog->OnDownloadDone(true));
    EXPECT_EQ(catalog->LastListUpdate(), kNoon2025 - kDay);
    EXPECT_EQ(catalog->Records().size(), 1u);
    EXPECT_TRUE(Exists(list));
    EXPECT_FALSE(catalog->HasJob());
    EXPECT_EQ(jobs_.started.size(), 1u);
}

TEST_F(DownloadSequenceTest, AFailedSkitIsMarkedAndTheRestWaitForTheNextSequence) {
    WriteOps({Scheduled(Skit(skRegular, 1, "one.gif")), Scheduled(Skit(skRegular, 2, "two.gif"))});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    EXPECT_FALSE(catalog->OnDownloadDone(true));
    EXPECT_EQ(catalog->Records()[0].state, dsFailed);
    EXPECT_EQ(catalog->Records()[1].state, dsScheduled);
    EXPECT_EQ(jobs_.started.size(), 1u);
    EXPECT_EQ(catalog->Phase(), phIdle);

    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    EXPECT_EQ(jobs_.started.back().displayName, "Skit 2");
}

TEST_F(DownloadSequenceTest, AnExpiredScheduledSkitIsCountedButNeverFetched) {
    SkitRecord expired = Scheduled(Skit(skRegular, 1, "old.gif"));
    expired.availableUntil = kNoon2025;
    WriteOps({expired, Scheduled(Skit(skRegular, 2, "new.gif"))});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    EXPECT_EQ(catalog->DownloadsPlanned(), 2);
    ASSERT_EQ(jobs_.started.size(), 1u);
    EXPECT_EQ(jobs_.started[0].displayName, "Skit 2");
    Arrive("new");
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(jobs_.started.size(), 1u);
}

TEST_F(DownloadSequenceTest, ADownloadedSkitReplacesTheOldMovie) {
    PutMovie("one.gif", "old movie");
    WriteOps({Scheduled(Skit(skRegular, 1, "one.gif"))});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    Arrive("new movie");
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(ReadFile(Skits("one.gif")), "new movie");
    EXPECT_EQ(catalog->Records()[0].state, dsDownloaded);
    EXPECT_EQ(catalog->Records()[0].play, pcYes);
}

#if !defined(_WIN32)
// Every disk call of finishing the download fails in turn, as a full disk fails it.
TEST_F(DownloadSequenceTest, AFullDiskWhileCopyingADownloadedSkitKeepsTheOldMovie) {
    const std::string arrived(100000, 'n');
    for (std::uint64_t n = 1;; ++n) {
        PutMovie("one.gif", "old movie");
        WriteOps({Scheduled(Skit(skRegular, 1, "one.gif"))});
        auto catalog = Open();
        ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
        Arrive(arrived);
        sys::FailNthDiskCall(n);
        catalog->OnDownloadDone(false);
        const bool failed = sys::DiskCallsCounted() >= n;
        sys::FailNthDiskCall(0);
        if (!failed) {
            break;
        }
        EXPECT_EQ(ReadFile(Skits("one.gif")), "old movie") << "disk call " << n;
        EXPECT_EQ(catalog->Records()[0].state, dsScheduled) << "disk call " << n;
        EXPECT_FALSE(Exists(Skits("one.gif1"))) << "disk call " << n;
    }
}
#endif

TEST_F(DownloadSequenceTest, ASkitThatCannotBeCopiedStaysScheduledAndIsNotFetchedAgainAtOnce) {
    WriteOps({Scheduled(Skit(skRegular, 1, "one.gif")), Scheduled(Skit(skRegular, 2, "two.gif"))});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    // Nothing arrived where the job said it would put the movie: the copy fails.
    EXPECT_TRUE(catalog->OnDownloadDone(false));
    EXPECT_EQ(catalog->Records()[0].state, dsScheduled);
    EXPECT_EQ(jobs_.started.back().displayName, "Skit 2");
    Arrive("two");
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(jobs_.started.size(), 2u);
    EXPECT_EQ(catalog->Records()[1].state, dsDownloaded);
}

TEST_F(DownloadSequenceTest, AMergeErrorEndsTheSequenceAndGoesToTheCaller) {
    WriteOps({});
    auto catalog = Open();
    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, true));
    std::vector<SkitRecord> tooMany;
    for (int id = 1; id <= 100; ++id) {
        tooMany.push_back(Skit(skRegular, id, "s" + std::to_string(id) + ".gif"));
    }
    WriteList(tooMany);
    try {
        catalog->OnDownloadDone(false);
        ADD_FAILURE() << "the merge should have failed";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Can't add skit - max entries!");
    }
    EXPECT_EQ(catalog->Phase(), phIdle);
    EXPECT_FALSE(catalog->HasJob());
    EXPECT_EQ(catalog->LastListUpdate(), kNoon2025 - kDay);
}

TEST_F(DownloadSequenceTest, AListAddressThatIsNoWebAddressIsNotFetched) {
    for (const char* address : {"file:///etc/passwd", "C:\\Windows\\list.syn", "ftp://example.com/list", "http://"}) {
        header_.listUrl.text = address;
        WriteOps({});
        auto catalog = Open();
        EXPECT_FALSE(catalog->StartSkitListDownload(kWindow, true)) << address;
        EXPECT_FALSE(catalog->HasJob());
        EXPECT_EQ(catalog->Phase(), phIdle);
    }
    header_.listUrl.text = "HTTPS://example.com/list.syn";
    header_.listFileName.text = "..\\outside.syn";
    WriteOps({});
    EXPECT_FALSE(Open()->StartSkitListDownload(kWindow, true));
    EXPECT_TRUE(jobs_.started.empty());
}

TEST_F(DownloadSequenceTest, NothingToFetchEndsTheSkitPhaseAtOnce) {
    SkitRecord expired = Scheduled(Skit(skRegular, 1, "old.gif"));
    expired.availableUntil = kNoon2025 - 1;
    WriteOps({expired});
    auto catalog = Open();
    EXPECT_FALSE(catalog->StartSkitDownloads(kWindow));
    EXPECT_FALSE(catalog->HasJob());
    EXPECT_EQ(catalog->Phase(), phIdle);

    // The list phase would go on to the skits, but none can be fetched.
    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, true));
    WriteList({});
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_FALSE(catalog->HasJob());
    EXPECT_EQ(catalog->Phase(), phIdle);
}

TEST_F(DownloadSequenceTest, TimedSkitsAreScheduledTenAtATimeUnlessSkitsComeAutomatically) {
    header_.timedEnabled = 1;
    std::vector<SkitRecord> records;
    for (int id = 1; id <= 12; ++id) {
        records.push_back(Skit(skTimed, id, "t" + std::to_string(id) + ".gif"));
    }
    SkitRecord closed = Skit(skTimed, 13, "t13.gif");
    closed.availableUntil = kNoon2025 + 1; // open now, but not when the downloads start
    records.insert(records.begin(), closed);
    WriteOps(records);

    environment_.syncMethod = smManual;
    auto catalog = Open();
    environment_.now = kNoon2025 + 2;
    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    EXPECT_EQ(catalog->DownloadsPlanned(), 0); // counted before the timed skits were scheduled
    EXPECT_EQ(catalog->CountSkits(skTimed, dsScheduled), 10);
    EXPECT_EQ(catalog->Records()[0].state, dsAvailable);
    catalog.reset();

    environment_.syncMethod = smAutomatic;
    environment_.now = kNoon2025;
    catalog = Open();
    environment_.now = kNoon2025 + 2;
    ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
    EXPECT_EQ(catalog->CountSkits(skTimed, dsScheduled), 12);
}

TEST(SequenceProgress, CountsEachFinishedDownloadAsOneHundredAndTheCurrentFilesShare) {
    const struct {
        int done;
        std::int32_t bytesDone, bytesTotal, position;
    } cases[] = {
        {0, 0, 0, 0},
        {0, 512, 1024, 50},
        {2, 0, 0, 200},
        {1, 5, 0, 200},                 // no length announced: the total counts as 1, the share as at most 100
        {1, 104857600, 209715200, 150}, // 100 of 200 MB: the product passes 32 bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SequenceProgress(c.done, c.bytesDone, c.bytesTotal), c.position)
            << c.bytesDone << "/" << c.bytesTotal;
    }
}

// A list that would swap the player for the server's bytes: one entry that counts as downloaded because
// a file of that name is there, a newer version of it that schedules the "update", a library the player
// loads, a short name, a skit to be removed and a used-up timed skit naming them. Only the movie arrives.
TEST_F(DownloadSequenceTest, AListThatNamesThePlayerOrALibraryFetchesWritesAndDeletesNoneOfThem) {
    environment_.syncMethod = smAutomatic;
    const std::vector<std::string> bystanders = {"skitplayer.exe", "gdiplus.dll", "SKITPL~1.EXE"};
    for (const std::string& name : bystanders) {
        PutMovie(name, "the real " + name);
    }
    SkitRecord expired = Downloaded(Skit(skTimed, 9, "gdiplus.dll"));
    expired.playsLeft = 0;
    WriteOps({Downloaded(Skit(skRegular, 1, "skitplayer.exe")), expired});
    auto catalog = Open();

    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, true));
    SkitRecord remove = Skit(skRegular, 4, "skitplayer.exe");
    remove.state = dsRemove;
    WriteList({Skit(skRegular, 1, "skitplayer.exe", 2), Skit(skRegular, 2, "gdiplus.dll"),
               Skit(skSpecial, 3, "SKITPL~1.EXE"), remove, Skit(skRegular, 5, "good.gif"),
               Skit(skRegular, 6, "x\r\n.ERROR.. forged.gif")});
    ASSERT_TRUE(catalog->OnDownloadDone(false));
    ASSERT_EQ(jobs_.started.size(), 2u);
    EXPECT_EQ(jobs_.started[1].url, "http://example.com/skits/good.gif");
    EXPECT_EQ(jobs_.started[1].largestBody, kMaxMovieBytes);
    Arrive("good movie");
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(ReadFile(Skits("good.gif")), "good movie");
    EXPECT_EQ(catalog->ChooseNextSkit(), "good.gif");
    EXPECT_EQ(catalog->ChooseNextSkit(), "good.gif") << "the old record naming the player never plays";

    catalog.reset();
    Open().reset();
    for (const std::string& name : bystanders) {
        EXPECT_EQ(ReadFile(Skits(name)), "the real " + name);
    }
    EXPECT_EQ(jobs_.started.size(), 2u);
    const std::vector<std::string> traced = Traced();
    const std::vector<std::string> expected = {
        ".WARNING Skit 1 of the skit list is left out: its file name \"skitplayer.exe\" is not a movie's.",
        ".WARNING Skit 2 of the skit list is left out: its file name \"gdiplus.dll\" is not a movie's.",
        ".WARNING Skit 3 of the skit list is left out: its file name \"SKITPL~1.EXE\" is not a movie's.",
        ".WARNING Skit 4 of the skit list is left out: its file name \"skitplayer.exe\" is not a movie's.",
        ".WARNING Skit 6 of the skit list is left out: its file name \"x??.ERROR.. forged.gif\" is not a movie's."};
    EXPECT_EQ(traced, expected);
}

TEST_F(DownloadSequenceTest, AMovieLandsOnlyWhenItsBytesHaveTheDigestOfItsList) {
    environment_.syncMethod = smAutomatic;
    WriteOps({});
    auto catalog = Open();
    SkitRecord one = Skit(skRegular, 1, "one.gif");
    SkitRecord two = Skit(skRegular, 2, "two.gif");
    SetMovieDigest(one, sys::Sha256Of({'o', 'n', 'e'}));
    SetMovieDigest(two, sys::Sha256Of({'t', 'w', 'o'}));
    ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, true));
    WriteList({one, two});
    ASSERT_TRUE(catalog->OnDownloadDone(false));

    Arrive("one");
    ASSERT_TRUE(catalog->OnDownloadDone(false));
    EXPECT_EQ(ReadFile(Skits("one.gif")), "one");
    Arrive("tw0");
    EXPECT_FALSE(catalog->OnDownloadDone(false));
    EXPECT_EQ(catalog->Records()[1].state, dsFailed);
    EXPECT_FALSE(Exists(Skits("two.gif")));
    EXPECT_FALSE(Exists(Downloads("two.gif")));
    EXPECT_EQ(Traced(), std::vector<std::string>{".ERROR.. The downloaded file does not match the skit list."});

    // The digest is saved with the skit, and a new version without one takes it away.
    catalog.reset();
    catalog = Open();
    EXPECT_EQ(MovieDigest(catalog->Records()[1]), MovieDigest(two));
    two.version = 2;
    two.contentStamp = 5;
    SetMovieDigest(two, std::nullopt);
    catalog->MergeSyncFile(WriteList({two}, 2), false);
    EXPECT_EQ(MovieDigest(catalog->Records()[1]), std::nullopt);
}

TEST_F(DownloadSequenceTest, WhereTheInstallationNamesKeysOnlyAListSignedByOneOfThemMerges) {
    const std::string key1 = EncodeBase64(TestPublicKey(1));
    const std::string key2 = EncodeBase64(TestPublicKey(2));
    const std::string notSigned = "The skit list is not signed.";
    const std::string mismatch = "The skit list's signature does not match.";
    const struct {
        std::vector<std::string> keys;
        int signer; // 0: unsigned
        std::string refusal;
    } rows[] = {{{}, 0, ""},
                {{}, 2, ""},
                {{key1}, 1, ""},
                {{"not a key", key2, key1}, 1, ""},
                {{key1}, 2, mismatch},
                {{key1}, 0, notSigned},
                {{"not a key"}, 1, mismatch}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.keys) + " signer " + std::to_string(row.signer));
        environment_.listKeys = row.keys;
        WriteOps({Skit(skRegular, 1, "one.gif")});
        auto catalog = Open();
        TraceSetFile(folder_ / "trace.log", false);
        ASSERT_TRUE(catalog->StartSkitListDownload(kWindow, false));
        const std::string list = WriteList({Skit(skRegular, 2, "two.gif")});
        if (row.signer != 0) {
            SignListForTests(list, row.signer);
        }
        environment_.now = kNoon2025 + 100;
        if (row.refusal.empty()) {
            EXPECT_FALSE(catalog->OnDownloadDone(false));
            EXPECT_EQ(catalog->Records().size(), 2u);
            continue;
        }
        EXPECT_THROW(catalog->OnDownloadDone(false), EUntrustedList);
        EXPECT_FALSE(Exists(list));
        EXPECT_EQ(catalog->Records().size(), 1u);
        EXPECT_EQ(catalog->LastListUpdate(), kNoon2025 - kDay);
        const std::vector<std::string> traced = Traced();
        EXPECT_EQ(traced.back(), ".ERROR.. " + row.refusal);
        catalog.reset();
        EXPECT_EQ(Open()->Records().size(), 1u);
    }
}

TEST_F(DownloadSequenceTest, AnUnsignedListInTheSkitsFolderIsDeletedWithItsLineAndTheStartGoesOn) {
    environment_.listKeys = {EncodeBase64(TestPublicKey(1))};
    WriteOps({Skit(skRegular, 1, "one.gif")});
    WriteSyncFile(Skits(kStartupSyncFile), SyncHeader(), {Skit(skRegular, 2, "two.gif")});
    auto catalog = Open();
    EXPECT_EQ(catalog->Records().size(), 1u);
    EXPECT_FALSE(Exists(Skits(kStartupSyncFile)));
    EXPECT_EQ(Traced(), std::vector<std::string>{".ERROR.. The skit list is not signed."});
}

// A movie transfer that failed keeps its skit scheduled when it left more of the movie than it found, so
// that the next sequence fetches the rest; otherwise the skit fails and what the transfer kept goes.
TEST_F(DownloadSequenceTest, AFailedMovieThatGrewStaysScheduledAndOneThatDidNotFails) {
    const struct {
        const char* name;
        const char* before; // the partial file at the start; none when null
        const char* after;  // what the transfer left; none when null
        std::uint8_t state;
    } cases[] = {
        {"cut after some bytes", nullptr, "half", dsScheduled},
        {"resumed, cut again further on", "half", "half and more", dsScheduled},
        {"nothing kept", nullptr, nullptr, dsFailed},
        {"kept as it was", "half", "half", dsFailed},
        {"started over, cut sooner", "half and more", "half", dsFailed},
    };
    for (const auto& c : cases) {
        const std::string partial = Downloads("one.gif");
        std::filesystem::remove(partial);
        if (c.before != nullptr) {
            WriteFile(partial, c.before);
        }
        WriteOps({Scheduled(Skit(skRegular, 1, "one.gif")), Scheduled(Skit(skRegular, 2, "two.gif"))});
        auto catalog = Open();
        ASSERT_TRUE(catalog->StartSkitDownloads(kWindow));
        std::filesystem::remove(partial);
        if (c.after != nullptr) {
            Arrive(c.after);
            WriteFile(partial + ".resume", "record");
        }
        EXPECT_FALSE(catalog->OnDownloadDone(true)) << c.name;
        EXPECT_EQ(catalog->Records()[0].state, c.state) << c.name;
        EXPECT_EQ(catalog->Records()[1].state, dsScheduled) << c.name;
        EXPECT_EQ(Exists(partial), c.state == dsScheduled) << c.name;
        EXPECT_EQ(Exists(partial + ".resume"), c.state == dsScheduled) << c.name;
    }
}

TEST_F(DownloadSequenceTest, AtStartThePartialsOfSkitsNoLongerScheduledGoAndNothingElse) {
    // Skit 1 is still scheduled; skit 2 was fetched meanwhile, skit 3 unscheduled; a record names a skit
    // that is no longer in the catalogue. The folder's other files are not the catalogue's to delete.
    WriteOps({Scheduled(Skit(skRegular, 1, "one.gif")), Downloaded(Skit(skRegular, 2, "two.gif")),
              Skit(skRegular, 3, "three.gif")});
    const std::vector<std::string> kept = {"one.gif",          "one.gif.resume", "other.gif",
                                           "notes.txt.resume", "notes.txt",      "skits.syn"};
    const std::vector<std::string> deleted = {"two.gif", "two.gif.resume", "three.gif", "gone.gif.resume", "gone.gif"};
    for (const std::string& name : kept) {
        WriteFile(Downloads(name), name);
    }
    for (const std::string& name : deleted) {
        WriteFile(Downloads(name), name);
    }
    Open().reset();
    for (const std::string& name : kept) {
        EXPECT_TRUE(Exists(Downloads(name))) << name;
    }
    for (const std::string& name : deleted) {
        EXPECT_FALSE(Exists(Downloads(name))) << name;
    }
    // A download folder that is the skits folder holds the movies themselves: none goes.
    PutMovie("two.gif");
    environment_.downloads = environment_.skits;
    Open().reset();
    EXPECT_TRUE(Exists(Skits("two.gif")));
    // Nor does an installation that names no download folder: the folder the program runs in is not one.
    const std::filesystem::path workingFolder = std::filesystem::current_path();
    std::filesystem::current_path(environment_.skits);
    environment_.downloads.clear();
    Open().reset();
    std::filesystem::current_path(workingFolder);
    EXPECT_TRUE(Exists(Skits("two.gif")));
}
