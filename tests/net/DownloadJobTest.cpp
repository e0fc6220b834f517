// The download job and its manager: transfers from the skit server, the download log, cancelling, and the
// dial-up hang-up with a fake remote-access service.
#include "host/Settings.h"
#include "library/ResumeRecord.h"
#include "net/WinInetDownloadJob.h"
#include "support/MessageBoxes.h"
#include "support/TraceLog.h"
#include "tests/net/NetTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>

using namespace net_testing;
using testing_files::ScratchFolder;

namespace {

struct LogLine {
    std::string tag;
    std::string message;
};

// A job with a log and a download folder of its own, and a window that hears it.
class DownloadJobTest : public ::testing::Test {
protected:
    void SetUp() override { Settings.LogPath = folder_ / "download.log"; }
    void TearDown() override { Settings.LogPath.clear(); }

    // Runs one download and returns the last parameter of its message.
    LPARAM Download(WinInetDownloadJob& job, const std::string& url, const std::string& name,
                    std::uint32_t largestBody = kLargestBody, bool resumable = false) {
        job.Start(url, Target(), name, listener_.Notify(), largestBody, resumable);
        return listener_.WaitForDone();
    }

    std::string Target() const { return folder_ / "target.syn"; }
    bool TargetExists() const { return std::filesystem::exists(Target()); }
    std::string Record() const { return ResumeRecordPath(Target()); }

    std::vector<LogLine> Log() const {
        static const std::regex kLine(R"(^(.{9})\d+-\d\d-\d\d_\d\d:\d\d:\d\d\.\d{3} Thread=[0-9A-F]+ (.*)$)");
        std::vector<LogLine> lines;
        for (const std::string& line : testing_files::ReadLines(Settings.LogPath)) {
            std::smatch match;
            EXPECT_TRUE(std::regex_match(line, match, kLine)) << line;
            lines.push_back({match[1], match[2]});
        }
        return lines;
    }

    ScratchFolder folder_;
    DoneListener listener_;
};

} // namespace

TEST_F(DownloadJobTest, ASuccessfulDownloadLeavesTheFileAndOneInfoLine) {
    const ServedFolder served;
    const std::string body = SampleBytes(100000);
    const std::string path = served.Put("skit.gif", body);
    // However the body comes: in one piece, without a length, in drips, or after a redirect.
    const std::string queries[] = {"", "?fault=no-length", "?fault=drip&chunk=7000&delay=1", "?fault=redirect&y=2"};
    for (const std::string& query : queries) {
        std::filesystem::remove(Settings.LogPath);
        WinInetDownloadJob job(NoDialUp());
        EXPECT_EQ(job.Snapshot().statusText, "Connecting to host...");
        EXPECT_EQ(Download(job, ServerUrl(path + query), "Bouncing Balls"), 0)
            << query << ": " << job.Snapshot().failReason;
        EXPECT_EQ(listener_.done.back().first, 0u);

        EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(Target()), body)) << query;
        const std::vector<LogLine> log = Log();
        ASSERT_EQ(log.size(), 1u) << query;
        EXPECT_EQ(log[0].tag, ".INFO... ");
        EXPECT_EQ(log[0].message, "Download success: Bouncing Balls");
        EXPECT_EQ(job.Manager().CurrentItem(), "Bouncing Balls");
        EXPECT_EQ(job.Snapshot().statusText, "Bouncing Balls");
        EXPECT_EQ(job.Snapshot().failReason, "");
        EXPECT_EQ(job.Snapshot().bytesDone, 100000);
        EXPECT_EQ(job.Snapshot().bytesTotal, query == "?fault=no-length" ? 0 : 100000) << query;
        job.ResetProgress();
        EXPECT_EQ(job.Snapshot().bytesDone, 0);
        EXPECT_EQ(job.Snapshot().bytesTotal, 0);
    }
    EXPECT_TRUE(ServerAnswered("GET " + path + "?fault=redirect&y=2 302 6"));
    EXPECT_TRUE(ServerAnswered("GET " + path + "?y=2 200 100000"));
}

TEST_F(DownloadJobTest, EveryFaultFailsWithOneErrorLineThatSaysWhyAndLeavesNoFile) {
    const ServedFolder served;
    const std::string path = served.Put("skit.gif", SampleBytes(100000));
    const struct {
        std::string url;
        std::string reason; // a regular expression
    } cases[] = {
        {ServerUrl(path + "?fault=404"), R"(HTTP status 404 Not Found\.)"},
        {ServerUrl("/generated/10?fault=status&code=503"), R"(HTTP status 503 Service Unavailable\.)"},
        {ServerUrl("/generated/10?fault=status&code=301"), R"(HTTP status 301 Moved Permanently\.)"},
        {ServerUrl(path + "?fault=short&after=1000"), R"(Connection closed after 1000 of 100000 bytes\.)"},
        // Where the reset meets the client decides which step reports it.
        {ServerUrl(path + "?fault=reset&after=1000"),
         R"(Connection closed after \d+ of 100000 bytes\.|Error \d+ \(.*\) reading URL .*|)"
         R"(Unable to send request to 127\.0\.0\.1 \(.*\))"},
        {ServerUrl("/generated/1?fault=endless"), R"(The download is larger than 1000000 bytes\.)"},
        {ServerUrl("/generated/1000001?fault=no-length"), R"(The download is larger than 1000000 bytes\.)"},
        {ServerUrl("/generated/1000001"),
         R"(The server announces 1000001 bytes, more than the 1000000 bytes a download may have\.)"},
        {"http://127.0.0.1:1/list.syn", R"(Unable to send request to 127\.0\.0\.1 \(.*\))"},
        {"ht tp://skits.example/", R"(Error \d+ \(.*\) cracking URL ht tp://skits\.example/)"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(Settings.LogPath);
        WinInetDownloadJob job(NoDialUp());
        EXPECT_EQ(Download(job, c.url, "Faulty", 1000000), 1) << c.url;
        EXPECT_FALSE(TargetExists()) << c.url;
        EXPECT_TRUE(std::regex_match(job.Snapshot().failReason, std::regex(c.reason)))
            << c.url << ": " << job.Snapshot().failReason;
        const std::vector<LogLine> log = Log();
        ASSERT_EQ(log.size(), 1u) << c.url;
        EXPECT_EQ(log[0].tag, ".ERROR.. ");
        EXPECT_EQ(log[0].message, "Download failed: Faulty. " + job.Snapshot().failReason);
    }
}

TEST_F(DownloadJobTest, AFileThatCannotBeCreatedFailsWithTheSystemsText) {
    WinInetDownloadJob job(NoDialUp());
    const std::string target = folder_ / "no-such-folder\\target.syn";
    job.Start(ServerUrl("/generated/10"), target, "Skit list", listener_.Notify(), kLargestBody, false);
    EXPECT_EQ(listener_.WaitForDone(), 1);
    EXPECT_NE(job.Snapshot().failReason.find(target), std::string::npos) << job.Snapshot().failReason;
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, "Download failed: Skit list. " + job.Snapshot().failReason);
}

TEST_F(DownloadJobTest, CancellingAStalledTransferEndsItAsCancelledEveryTime) {
    const std::string stall = ServerUrl("/generated/100000?fault=stall&after=0&hold=60");
    constexpr int kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        WinInetDownloadJob job(NoDialUp());
        job.Start(stall, Target(), "Stalled", listener_.Notify(), kLargestBody, false);
        if (round % 2 == 1) {
            // Half the rounds cancel once the request is out and the worker waits for the body; the others
            // at once, wherever the worker is.
            ASSERT_TRUE(testing_windows::PumpUntil([&] { return job.Snapshot().statusText == "Stalled"; }));
        }
        job.Cancel();
        ASSERT_EQ(listener_.WaitForDone(), 1) << "round " << round;
        EXPECT_EQ(job.Snapshot().failReason, "User cancelled the operation.");
        EXPECT_FALSE(TargetExists());
    }
    const std::vector<LogLine> log = Log();
    ASSERT_EQ(log.size(), static_cast<std::size_t>(kRounds));
    for (const LogLine& line : log) {
        EXPECT_EQ(line.tag, ".ERROR.. ");
        EXPECT_EQ(line.message, "Download failed: Stalled. User cancelled the operation.");
    }
}

TEST_F(DownloadJobTest, ACancelAfterTheLastBlockStillSucceeds) {
    WinInetDownloadJob job(NoDialUp());
    // Cancels from the worker at the last pass of the read loop, which brings no new bytes.
    int passesAtTheEnd = 0;
    const THTTPTransferProgressEvent original = job.Manager().HTTP.OnTransferProgress;
    job.Manager().HTTP.OnTransferProgress = [&](TSimpleHTTP& sender, const THTTPProgressInfo& progress) {
        original(sender, progress);
        if (progress.BytesDone == progress.BytesTotal && ++passesAtTheEnd == 2) {
            job.Cancel();
        }
    };
    EXPECT_EQ(Download(job, ServerUrl("/generated/30000"), "Last block"), 0);
    EXPECT_TRUE(job.Manager().CancelRequested());
    EXPECT_EQ(testing_files::ReadFile(Target()).size(), 30000u);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, "Download success: Last block");
}

// The download log has a writer of its own: the trace log keeps its file and its levels.
TEST_F(DownloadJobTest, TheDownloadLogLeavesTheTraceLogsFileAndLevelsAlone) {
    const std::string trace = folder_ / "trace.log";
    TraceSetFile(trace, false);
    {
        WinInetDownloadJob job(NoDialUp());
        EXPECT_EQ(Download(job, ServerUrl("/generated/10"), "Traced"), 0);
    }
    TraceWrite(tlInfo, "%s", "a level that nothing enabled");
    TraceWrite(tlError, "%s", "still the trace log's");
    TraceUseDefaultFile(true);
    const std::vector<std::string> traced = testing_files::ReadLines(trace);
    ASSERT_EQ(traced.size(), 1u);
    EXPECT_NE(traced[0].find("still the trace log's"), std::string::npos) << traced[0];
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, "Download success: Traced");
}

TEST_F(DownloadJobTest, AStartWhileTheTransferRunsIsRefused) {
    WinInetDownloadJob job(NoDialUp());
    const std::string stall = ServerUrl("/generated/1000?fault=stall&after=0&hold=60");
    EXPECT_NE(job.StartDownload(stall, Target(), 7, kDownloadDoneMessage, listener_.Window(), "First"), -1);
    EXPECT_EQ(job.StartDownload(stall, Target(), 8, kDownloadDoneMessage, listener_.Window(), "Second"), -1);
    EXPECT_THROW(job.Start(stall, Target(), "Third", listener_.Notify(), kLargestBody, false), EZolvaneError);
    job.Cancel();
    EXPECT_EQ(listener_.WaitForDone(), 1);
    EXPECT_EQ(listener_.done.back().first, 7u);
    EXPECT_EQ(job.Manager().CurrentItem(), "First");
    // The message comes after the thread has let go of its handle: the next start is taken.
    EXPECT_NE(
        job.StartDownload(ServerUrl("/generated/10"), Target(), 9, kDownloadDoneMessage, listener_.Window(), "Next"),
        -1);
    EXPECT_EQ(listener_.WaitForDone(), 1); // the manager stays cancelled for the rest of its sequence
}

// A movie cut at half keeps its first half and a record; the next transfer of the same address goes on
// from there when nothing changed, and starts over when the partial file or the server's file is no longer
// the one the record describes. The server cuts every answer that covers the middle of the file.
TEST_F(DownloadJobTest, AMovieCutAtHalfIsFinishedWithOneRangeRequestUnlessItsFileChanged) {
    const ServedFolder served;
    const std::string body = SampleBytes(200000);
    const std::string changed = SampleBytes(200000).replace(0, 5, "XXXXX");
    const struct {
        const char* name;
        std::function<void(const std::string& servedName)> change; // between the two transfers
        std::uint32_t largestBody;
        LPARAM result;
        std::string file;     // what the second transfer leaves; empty when nothing
        std::string answered; // the server's status and body bytes for the second transfer
    } cases[] = {
        {"nothing changed", [](const std::string&) {}, kLargestBody, 0, body, "206 100000"},
        {"the server's file changed",
         [&](const std::string& name) {
             Sleep(20); // a later modification time, and so another ETag
             served.Put(name, changed);
         },
         kLargestBody, 1, changed.substr(0, 100000), "200 100000"},
        {"the record is damaged", [&](const std::string&) { testing_files::WriteFile(Record(), "length=1\n"); },
         kLargestBody, 1, body.substr(0, 100000), "200 100000"},
        {"the record names another length: the 206 does not fit",
         [&](const std::string&) {
             ResumeRecord record = *ReadResumeRecord(Record());
             record.length = 300000;
             ASSERT_TRUE(WriteResumeRecord(Record(), record));
         },
         kLargestBody, 1, body.substr(0, 100000), "200 100000"},
        {"the partial file has a second name",
         [&](const std::string&) {
             std::filesystem::remove(Target());
             testing_files::WriteFile(folder_ / "other", body.substr(0, 100000));
             std::filesystem::create_hard_link(folder_ / "other", Target());
         },
         kLargestBody, 1, body.substr(0, 100000), "200 100000"},
        {"the whole file is over the limit", [](const std::string&) {}, 150000, 1, "", "none"},
    };
    int number = 0;
    for (const auto& c : cases) {
        const std::string name = "cut" + std::to_string(++number) + ".gif";
        const std::string url = ServerUrl(served.Put(name, body) + "?fault=short");
        {
            WinInetDownloadJob job(NoDialUp());
            ASSERT_EQ(Download(job, url, "Cut", kLargestBody, true), 1) << c.name;
            EXPECT_EQ(job.Snapshot().failReason, "Connection closed after 100000 of 200000 bytes.");
        }
        ASSERT_TRUE(testing_files::SameBytes(testing_files::ReadFile(Target()), body.substr(0, 100000))) << c.name;
        const std::optional<ResumeRecord> record = ReadResumeRecord(Record());
        ASSERT_TRUE(record) << c.name;
        EXPECT_EQ(record->url, url);
        EXPECT_EQ(record->length, 200000u);

        c.change(name);
        WinInetDownloadJob job(NoDialUp());
        EXPECT_EQ(Download(job, url, "Cut", c.largestBody, true), c.result)
            << c.name << ": " << job.Snapshot().failReason;
        EXPECT_EQ(TargetExists(), !c.file.empty()) << c.name;
        if (!c.file.empty()) {
            EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(Target()), c.file)) << c.name;
        }
        // A record stays only beside a partial file.
        EXPECT_EQ(std::filesystem::exists(Record()), c.result == 1 && !c.file.empty()) << c.name;
        // The server's lines for the second transfer: a ranged request that it answered with the rest, or
        // (after one that did not fit) a request for the whole file.
        if (c.answered != "none") {
            const std::string prefix = "GET " + served.At(name) + "?fault=short ";
            std::vector<std::string> lines;
            EXPECT_TRUE(testing_windows::PumpUntil([&] {
                lines.clear();
                for (const std::string& line : RequestLog()) {
                    if (line.compare(0, prefix.size(), prefix) == 0) {
                        lines.push_back(line.substr(prefix.size()));
                    }
                }
                return std::find(lines.begin() + std::min<std::size_t>(lines.size(), 1), lines.end(), c.answered) !=
                       lines.end();
            })) << c.name;
            EXPECT_EQ(lines.size(), c.result == 0 ? 2u : lines.size()) << c.name;
        }
        if (c.result == 0) {
            // The counters show the whole file; the client fetched the second half only.
            EXPECT_EQ(job.Snapshot().bytesDone, 200000);
            EXPECT_EQ(job.Snapshot().bytesTotal, 200000);
            EXPECT_EQ(job.Manager().HTTP.Progress().BytesDone, 100000);
        }
        std::filesystem::remove(Target());
        std::filesystem::remove(Record());
    }
    EXPECT_EQ(testing_files::ReadFile(folder_ / "other"), body.substr(0, 100000)) << "written through a second name";
}

// Cancelled at about half through DownloadJob::Cancel, or ended with its job, a movie transfer keeps what
// it fetched; the next start asks for the rest once.
TEST_F(DownloadJobTest, AMovieCancelledAtAboutHalfIsFinishedByTheNextStart) {
    const ServedFolder served;
    const std::string body = SampleBytes(200000);
    for (const bool destroyed : {false, true}) {
        const std::string path = served.Put(destroyed ? "destroyed.gif" : "cancelled.gif", body);
        const std::string url = ServerUrl(path + "?fault=drip&chunk=4000&delay=10");
        {
            WinInetDownloadJob job(NoDialUp());
            job.Start(url, Target(), "Dripping", listener_.Notify(), kLargestBody, true);
            ASSERT_TRUE(testing_windows::PumpUntil([&] { return job.Snapshot().bytesDone >= 100000; }));
            if (!destroyed) {
                job.Cancel();
                EXPECT_EQ(listener_.WaitForDone(), 1);
                EXPECT_EQ(job.Snapshot().failReason, "User cancelled the operation.");
            }
        }
        if (destroyed) {
            EXPECT_EQ(listener_.WaitForDone(), 1); // posted while the job went
        }
        const std::uint64_t kept = std::filesystem::file_size(Target());
        EXPECT_GE(kept, 100000u);
        EXPECT_LT(kept, 200000u);
        ASSERT_TRUE(ReadResumeRecord(Record())) << destroyed;

        WinInetDownloadJob job(NoDialUp());
        EXPECT_EQ(Download(job, url, "Dripping", kLargestBody, true), 0) << job.Snapshot().failReason;
        EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(Target()), body)) << destroyed;
        EXPECT_FALSE(std::filesystem::exists(Record()));
        EXPECT_TRUE(
            ServerAnswered("GET " + path + "?fault=drip&chunk=4000&delay=10 206 " + std::to_string(200000 - kept)))
            << destroyed;
        std::filesystem::remove(Target());
    }
}

// A 206 whose Content-Range fits the partial file but whose body ends before the recorded length (no
// Content-Length says how long it is) does not land a short movie: it is a cut transfer, and the next one
// finishes it.
TEST_F(DownloadJobTest, ARangedAnswerThatEndsBeforeTheRecordedLengthIsACutTransfer) {
    {
        WinInetDownloadJob job(NoDialUp());
        ASSERT_EQ(Download(job, ServerUrl("/generated/200000?fault=short"), "Cut", kLargestBody, true), 1);
    }
    ResumeRecord record = *ReadResumeRecord(Record());
    record.url = ServerUrl("/generated/200000?fault=unsized&after=150000");
    ASSERT_TRUE(WriteResumeRecord(Record(), record));
    const struct {
        LPARAM result;
        const char* failReason;
        std::uint64_t size;
    } rounds[] = {{1, "Connection closed after 150000 of 200000 bytes.", 150000}, {0, "", 200000}};
    for (const auto& round : rounds) {
        WinInetDownloadJob job(NoDialUp());
        EXPECT_EQ(Download(job, record.url, "Unsized", kLargestBody, true), round.result);
        EXPECT_EQ(job.Snapshot().failReason, round.failReason);
        EXPECT_EQ(std::filesystem::file_size(Target()), round.size);
        EXPECT_EQ(std::filesystem::exists(Record()), round.result == 1);
    }
    std::filesystem::remove(Target());
}

// While a transfer writes the partial file, appending the rest or starting over, no record is beside it:
// a crash meanwhile leaves a partial file that the next start fetches anew, never one it would take up with
// a record of other bytes. The record comes back when the transfer stops.
TEST_F(DownloadJobTest, WhileATransferWritesThePartialFileNoRecordIsBesideIt) {
    const std::string url = ServerUrl("/generated/200000?fault=drip&chunk=4000&delay=10");
    for (const bool sameFile : {true, false}) {
        {
            WinInetDownloadJob job(NoDialUp());
            ASSERT_EQ(Download(job, ServerUrl("/generated/200000?fault=short"), "Cut", kLargestBody, true), 1);
        }
        ResumeRecord record = *ReadResumeRecord(Record());
        record.url = url;
        if (!sameFile) {
            record.validator = "\"another\"";
        }
        ASSERT_TRUE(WriteResumeRecord(Record(), record));
        WinInetDownloadJob job(NoDialUp());
        job.Start(url, Target(), "Dripping", listener_.Notify(), kLargestBody, true);
        ASSERT_TRUE(testing_windows::PumpUntil([&] { return job.Snapshot().bytesDone >= 120000; })) << sameFile;
        EXPECT_FALSE(std::filesystem::exists(Record())) << sameFile;
        job.Cancel();
        EXPECT_EQ(listener_.WaitForDone(), 1);
        EXPECT_TRUE(ReadResumeRecord(Record())) << sameFile;
        std::filesystem::remove(Target());
        std::filesystem::remove(Record());
    }
}

TEST(TSysLoad, OnlyConnectionsThatCameUpMeanwhileAreHungUpAndTheUserIsAskedForEach) {
    const struct {
        const char* name;
        bool library;
        std::vector<DialUpHandle> atStart, atEnd;
        bool ask;
        std::vector<int> answers; // one per question
        std::vector<DialUpHandle> hungUp;
        int lists;
    } cases[] = {
        {"none before or after", true, {}, {}, true, {}, {}, 2},
        {"one from before stays", true, {7}, {7}, false, {}, {}, 2},
        {"two new, asked twice", true, {7}, {9, 7, 11}, true, {IDYES, IDNO}, {9}, 2},
        {"two new, not asked", true, {7}, {9, 7, 11}, false, {}, {9, 11}, 2},
        {"no remote-access library", false, {}, {3}, true, {}, {}, 0},
    };
    for (const auto& c : cases) {
        DialUpScript script;
        script.lists = {c.atStart, c.atEnd};
        std::vector<std::string> questions;
        const MessageBoxHandler previous =
            SetMessageBoxHandler([&](HWND, const std::string& text, const std::string&, UINT type) {
                EXPECT_EQ(type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
                questions.push_back(text);
                return c.answers.at(questions.size() - 1);
            });
        {
            TSysLoad manager(c.library ? std::make_unique<FakeDialUp>(script) : nullptr);
            EXPECT_EQ(manager.RasAvailable(), c.library);
            manager.SetAskBeforeHangUp(c.ask);
        }
        SetMessageBoxHandler(previous);
        EXPECT_EQ(script.hungUp, c.hungUp) << c.name;
        EXPECT_EQ(script.listCalls, c.lists) << c.name;
        EXPECT_EQ(questions.size(), c.answers.size()) << c.name;
        for (const std::string& question : questions) {
            EXPECT_EQ(question, "Would you like to disconnect from the Internet now?");
        }
    }
}

TEST(TSysLoad, TheSystemsRemoteAccessServiceListsWithoutFailing) {
    const std::unique_ptr<DialUpConnections> system = OpenSystemDialUp();
    if (system == nullptr) {
        GTEST_SKIP() << "this system has no rasapi32.dll";
    }
    EXPECT_NO_THROW(system->ListActive());
}
