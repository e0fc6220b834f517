#include "support/TraceLog.h"
#include "support/LocalTime.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>
#include <vector>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

#if defined(_WIN32)
const std::string kLineEnd = "\r\n";
#else
const std::string kLineEnd = "\n";
#endif

// The lines of a log file; every line must end with this platform's line end.
std::vector<std::string> LinesOf(const std::string& path) {
    const std::string contents = ReadFile(path);
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < contents.size()) {
        const std::string::size_type end = contents.find(kLineEnd, start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without its line end: " << contents.substr(start);
            break;
        }
        lines.push_back(contents.substr(start, end - start));
        start = end + kLineEnd.size();
    }
    return lines;
}

// The part of a line after its tag, time stamp and thread id.
std::string MessageOf(const std::string& line) {
    static const std::regex kStamp(R"(^.{9}\d+-\d\d-\d\d_\d\d:\d\d:\d\d\.\d{3} Thread=[0-9A-F]+ )");
    std::smatch match;
    if (!std::regex_search(line, match, kStamp)) {
        ADD_FAILURE() << "not a trace line: " << line;
        return line;
    }
    return match.suffix();
}

// A fresh log in a scratch folder, with the levels as a process starts with them.
class TraceLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = folder_ / "trace.log";
        TraceSetFile(log_, false);
        TraceSetLevel(0xFFFFFFFF, false);
        TraceSetLevel(tlError | tlWarning, true);
    }

    std::vector<std::string> Lines() const { return LinesOf(log_); }

    ScratchFolder folder_;
    std::string log_;
};

} // namespace

TEST_F(TraceLogTest, ALineHasTheTagTheLocalTimeTheThreadAndTheMessage) {
    TraceSetLevel(tlInfo, true);
    const FileTime before = NowAsLocalFileTime();
    TraceWrite(tlInfo, "%s", "M");
    const FileTime after = NowAsLocalFileTime();

    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    static const std::regex kLine(
        R"(^\.INFO\.\.\. (\d+)-(\d\d)-(\d\d)_(\d\d):(\d\d):(\d\d)\.(\d\d\d) Thread=([0-9A-F]+) M$)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, kLine)) << lines[0];

    sys::CivilTime stamp;
    stamp.year = std::stoi(match[1]);
    stamp.month = std::stoi(match[2]);
    stamp.day = std::stoi(match[3]);
    stamp.hour = std::stoi(match[4]);
    stamp.minute = std::stoi(match[5]);
    stamp.second = std::stoi(match[6]);
    stamp.milliseconds = std::stoi(match[7]);
    FileTime written = 0;
    ASSERT_TRUE(CivilTimeToFileTime(stamp, written));
    EXPECT_LE(before, written);
    EXPECT_LE(written, after);

    char thread[16];
    std::snprintf(thread, sizeof thread, "%X", sys::CurrentThreadId());
    EXPECT_EQ(match[8], thread);
}

TEST_F(TraceLogTest, OnlyEnabledLevelsAreWritten) {
    TraceWrite(tlInfo, "%s", "info while only errors are on");
    TraceWrite(tlError, "%s", "error");
    TraceWrite(0, "%s", "level 0 never writes");
    TraceSetLevel(tlInfo, true);
    TraceWrite(tlInfo, "%s", "info");
    TraceWrite(tlInfo | tlMemory, "%s", "info or memory");
    TraceSetLevel(tlInfo, false);
    TraceWrite(tlInfo, "%s", "info after it went off");

    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 9), ".ERROR.. ");
    EXPECT_EQ(MessageOf(lines[0]), "error");
    EXPECT_EQ(lines[1].substr(0, 9), ".INFO... ");
    EXPECT_EQ(MessageOf(lines[1]), "info");
    // Several bits together are written when any of them is on, under the neutral tag.
    EXPECT_EQ(lines[2].substr(0, 9), "........ ");
    EXPECT_EQ(MessageOf(lines[2]), "info or memory");
}

TEST(TraceLevelTag, EachLevelHasItsNineCharacterTag) {
    EXPECT_STREQ(TraceLevelTag(1), ".ERROR.. ");
    EXPECT_STREQ(TraceLevelTag(2), ".INFO... ");
    EXPECT_STREQ(TraceLevelTag(4), ".MEMORY. ");
    EXPECT_STREQ(TraceLevelTag(8), ".HANDLE. ");
    EXPECT_STREQ(TraceLevelTag(16), ".TRACE1. ");
    EXPECT_STREQ(TraceLevelTag(32), ".TRACE2. ");
    EXPECT_STREQ(TraceLevelTag(0), "........ ");
    EXPECT_STREQ(TraceLevelTag(3), "........ ");
    EXPECT_STREQ(TraceLevelTag(64), ".WARNING ");
    EXPECT_STREQ(TraceLevelTag(128), "........ ");
}

TEST_F(TraceLogTest, TheMiniFormatExpandsItsSpecifiers) {
    int local = 0;
    TraceWrite(tlError, "100%% done %q");
    TraceWrite(tlError, "%d|%x|%X|%h|%f|%s", -5, 255u, 255u, 0x1Au, 1.5f, "text");
    TraceWrite(tlError, "%d", 4294967295u); // 32-bit slots: all bits set reads as -1
    TraceWrite(tlError, "%p", static_cast<const void*>(&local));
    TraceWrite(tlError, "[%s][%d]", std::string("only one"));
    TraceWrite(tlError, "[%d][%s]", "text where a number belongs", "second");
    TraceWrite(tlError, "ends in %");

    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(MessageOf(lines[0]), "100% done ");
    EXPECT_EQ(MessageOf(lines[1]), "-5|0xff|0xFF|:0000001A|1.500000|text");
    EXPECT_EQ(MessageOf(lines[2]), "-1");
    EXPECT_TRUE(std::regex_match(MessageOf(lines[3]), std::regex(":[0-9A-F]{8,16}"))) << lines[3];
    // A missing argument or one of another kind writes nothing, and is used up all the same.
    EXPECT_EQ(MessageOf(lines[4]), "[only one][]");
    EXPECT_EQ(MessageOf(lines[5]), "[][second]");
    EXPECT_EQ(MessageOf(lines[6]), "ends in ");
}

TEST_F(TraceLogTest, ALongLineIsCutAtItsLimit) {
    TraceWrite(tlError, "%s", std::string(3000, 'x'));
    TraceWrite(tlError, "%s", "next");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), kTraceMaxLine);
    EXPECT_EQ(lines[0].back(), 'x');
    EXPECT_EQ(MessageOf(lines[1]), "next");
}

TEST_F(TraceLogTest, LinesKeepTheirOrderAndSameMillisecondStamps) {
    for (int i = 0; i < 20; ++i) {
        TraceWrite(tlError, "%d", i);
    }
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(MessageOf(lines[static_cast<std::size_t>(i)]), std::to_string(i));
    }
}

TEST_F(TraceLogTest, ANewFileWithoutKeepDeletesTheOldOne) {
    WriteFile(folder_ / "old.log", "earlier line\n");
    EXPECT_EQ(TraceSetFile(folder_ / "old.log", true), folder_ / "old.log");
    EXPECT_EQ(ReadFile(folder_ / "old.log"), "earlier line\n");

    TraceSetFile(folder_ / "old.log", false);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "old.log"));
    TraceWrite(tlError, "%s", "fresh");
    const std::vector<std::string> lines = LinesOf(folder_ / "old.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines[0]), "fresh");
}

TEST_F(TraceLogTest, APathTooLongIsRefusedAndTheFileStays) {
    const std::string tooLong = folder_ / std::string(kTraceMaxPath, 'p');
    EXPECT_EQ(TraceSetFile(tooLong, false), log_);
    TraceWrite(tlError, "%s", "still here");
    EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(TraceLogTest, AFileThatCannotBeOpenedDropsTheLine) {
    TraceSetFile(folder_ / "no-such-folder" + "/trace.log", true);
    TraceWrite(tlError, "%s", "dropped");
    TraceSetFile(log_, true);
    TraceWrite(tlError, "%s", "kept");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines[0]), "kept");
}

TEST_F(TraceLogTest, ThreadsTracingAtOnceNeverMixTheirLines) {
    constexpr int kThreads = 4;
    constexpr int kLinesEach = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLinesEach; ++i) {
                TraceWrite(tlError, "thread %d line %d %s", t, i, std::string(200, static_cast<char>('a' + t)));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLinesEach));
    std::set<std::string> messages;
    for (const std::string& line : lines) {
        messages.insert(MessageOf(line));
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLinesEach; ++i) {
            const std::string expected = "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                                         std::string(200, static_cast<char>('a' + t));
            EXPECT_EQ(messages.count(expected), 1u) << expected.substr(0, 30);
        }
    }
}

TEST(TraceDefaultFileFor, TheProgramsNameWithLogAsItsExtension) {
    EXPECT_EQ(TraceDefaultFileFor("C:\\Apps\\Example.scr"), "C:\\Apps\\Example.log");
    EXPECT_EQ(TraceDefaultFileFor("C:\\Apps\\Example"), "C:\\Apps\\Example.log");
    EXPECT_EQ(TraceDefaultFileFor("C:\\Apps\\zolvane.tar.scr"), "C:\\Apps\\zolvane.tar.log");
    // A dot in a folder name is no extension.
    EXPECT_EQ(TraceDefaultFileFor("C:\\My.Apps\\Example"), "C:\\My.Apps\\Example.log");
    EXPECT_EQ(TraceDefaultFileFor("/opt/my.tools/paktool"), "/opt/my.tools/paktool.log");
}

// A log of its own (the download log) writes every level in the trace format, while another thread traces
// at once: neither file gets the other's lines, and the trace log's file and levels stay as they were.
TEST_F(TraceLogTest, ATraceFileOfItsOwnTakesNoneOfTheTraceLogsLinesAndChangesNothingOfIt) {
    const std::string own = folder_ / "download.log";
    TraceFile file(own);
    constexpr int kLines = 200;
    std::thread tracer([] {
        for (int i = 0; i < kLines; ++i) {
            TraceWrite(tlError, "%s", "traced");
        }
    });
    for (int i = 0; i < kLines; ++i) {
        file.Write(i % 2 == 0 ? tlInfo : tlError, "%s %d", "logged", i);
    }
    tracer.join();
    TraceWrite(tlInfo, "%s", "a level the trace log never enabled");

    const std::vector<std::string> logged = LinesOf(own);
    ASSERT_EQ(logged.size(), static_cast<std::size_t>(kLines));
    for (int i = 0; i < kLines; ++i) {
        EXPECT_EQ(logged[i].substr(0, 9), i % 2 == 0 ? ".INFO... " : ".ERROR.. ");
        EXPECT_EQ(MessageOf(logged[i]), "logged " + std::to_string(i));
    }
    const std::vector<std::string> traced = Lines();
    ASSERT_EQ(traced.size(), static_cast<std::size_t>(kLines));
    for (const std::string& line : traced) {
        EXPECT_EQ(MessageOf(line), "traced");
    }
}

TEST_F(TraceLogTest, ALogThatIsALinkOrASecondNameOfAnotherFileDropsItsLinesAndLeavesThatFile) {
    // Another user who can write the log's folder puts a link there to a file of their choosing.
    const std::string target = folder_ / "elsewhere.txt";
    WriteFile(target, "another file");
    for (const bool hard : {true, false}) {
        const std::string path = folder_ / (hard ? "hard.log" : "soft.log");
        std::error_code refused;
        if (hard) {
            std::filesystem::create_hard_link(target, path, refused);
        } else {
            std::filesystem::create_symlink(target, path, refused);
        }
        if (refused) {
            continue; // Wine makes no symbolic links
        }
        TraceFile(path).Write(tlError, "%s", "dropped");
        TraceSetFile(path, true);
        TraceWrite(tlError, "%s", "dropped");
        TraceSetFile(log_, true);
    }
    EXPECT_EQ(ReadFile(target), "another file");
}
