#include "library/SkitCatalog.h"
#include "tests/TestFiles.h"
#include "tests/tools/PakToolRun.h"
#include "tools/paktool/PakToolCommands.h"

#include <gtest/gtest.h>

#include <sstream>

using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

class CatalogCommandsTest : public ::testing::Test {
protected:
    CatalogCommandsTest() { std::filesystem::create_directory(skits_); }

    std::string MakeSync(const std::string& manifest, const std::string& name = "list.syn") {
        WriteFile(folder_ / "manifest.json", manifest);
        const PakToolOutcome made = PakTool({"make-sync", folder_ / "manifest.json", folder_ / name});
        EXPECT_EQ(made.status, 0) << made.err;
        return folder_ / name;
    }

    ScratchFolder folder_;
    std::string ops_ = folder_ / "zolvane.ops";
    std::string skits_ = folder_ / "skits";
};

const char* const kManifest = R"({
    "listVersion": 2, "listUrl": "http://example.com/list.syn", "listIntervalDays": 3, "timedInterval": 4,
    "skits": [
        {"id": 1, "name": "Hello", "fileName": "hello.gif", "url": "http://example.com/hello.gif",
         "description": "Says hello", "keyCode": 32, "keyAction": 1, "keyText": "http://example.com/more"},
        {"kind": "timed", "id": 7, "version": 3, "name": "Winter", "fileName": "winter.gif",
         "url": "http://example.com/winter.gif", "playsLeft": 5, "state": 2, "play": "afterDownload",
         "availableFrom": "2025-12-01T00:00:00", "availableUntil": "2026-01-06T23:59:59"}
    ]})";

} // namespace

TEST_F(CatalogCommandsTest, AnInstallersOpsFileTakesAMergedSkitList) {
    ASSERT_EQ(PakTool({"make-ops", ops_, "--list-url", "http://example.com/list.syn", "--list-file", "list.syn",
                       "--interval-days", "14", "--timed-interval", "3", "--timed-plays-per-start", "2"})
                  .status,
              0);
    EXPECT_EQ(PakTool({"show-ops", ops_}).out,
              "listVersion 0 listIntervalDays 14 lastListUpdate 1601-01-01T00:00:00\n"
              "listUrl http://example.com/list.syn\n"
              "listFileName list.syn\n"
              "timedEnabled 1 timedInterval 3 timedCountdown 3 timedPlaysPerStart 2 timedPlaysLeft 2 "
              "timedPlaysTotal 0 lastTimedId 0\n"
              "syncValueA 0 syncValueB 0 lastRegularId 0 count 0\n");

    WriteFile(skits_ + "/hello.gif", "a movie");
    const std::string list = MakeSync(kManifest);
    const PakToolOutcome merged =
        PakTool({"merge", ops_, list, "--skits", skits_, "--sync-method", "2", "--now", "2025-12-24T18:00:00"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, "added   regular 1 v1 downloaded play yes plays 0 left -1 "
                          "1601-01-01T00:00:00..9999-12-31T23:59:59 hello.gif \"Hello\"\n"
                          "added   timed 7 v3 scheduled play afterDownload plays 0 left 5 "
                          "2025-12-01T00:00:00..2026-01-06T23:59:59 winter.gif \"Winter\"\n");
    EXPECT_FALSE(std::filesystem::exists(list));

    const std::string shown = PakTool({"show-ops", ops_}).out;
    // The list is current as of the merge, as a downloaded one would be.
    EXPECT_NE(shown.find("lastListUpdate 2025-12-24T18:00:00\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("listIntervalDays 3 "), std::string::npos) << shown;
    EXPECT_NE(shown.find("timedInterval 4 "), std::string::npos) << shown;
    EXPECT_NE(shown.find("count 2\n"), std::string::npos) << shown;

    // The same list again changes nothing.
    const PakToolOutcome again =
        PakTool({"merge", ops_, MakeSync(kManifest), "--skits", skits_, "--now", "2025-12-24T18:00:00"});
    EXPECT_EQ(again.out, "No skit changed.\n");
}

TEST_F(CatalogCommandsTest, MakeOpsKeepsAnOpsFileThatIsThere) {
    WriteFile(ops_, "precious");
    const PakToolOutcome outcome = PakTool({"make-ops", ops_, "--list-url", "http://x/l", "--list-file", "l"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "paktool: " + ops_ + " is already there; use --force to replace it.\n");
    EXPECT_EQ(testing_files::ReadFile(ops_), "precious");
    EXPECT_EQ(
        PakTool({"make-ops", ops_, "--list-url", "http://x/l", "--list-file", "l", "--timed-interval", "3"}).status, 2);
}

TEST_F(CatalogCommandsTest, AManifestErrorNamesTheSkitAndTheField) {
    struct Case {
        const char* manifest;
        std::string error;
    };
    const Case cases[] = {
        {R"({"listUrl": "x", "skits": [{"id": 3, "name": "a", "fileName": "b", "url": "c",
             "availableFrom": "2025-13-01T00:00:00"}]})",
         "The manifest's skit 1 (id 3), field \"availableFrom\", is not a local date and time like "
         "2025-01-31T18:00:00."},
        {R"({"listUrl": "x", "skits": [{"id": 1, "name": "a", "fileName": "b", "url": "c"},
             {"id": 2, "name": "a", "fileName": "b"}]})",
         "The manifest's skit 2 (id 2), field \"url\", is missing."},
        {R"({"listUrl": "x", "skits": [{"id": 1, "name": "a", "fileName": "b", "url": "c", "state": "lost"}]})",
         "The manifest's skit 1 (id 1), field \"state\", must be one of remove, available, scheduled, downloaded, "
         "failed, or a number from 0 to 255."},
        {R"({"listUrl": "x", "skits": [{"id": 4294967296, "name": "a", "fileName": "b", "url": "c"}]})",
         "The manifest's skit 1 (id 4294967296), field \"id\", must lie between -2147483648 and 2147483647."},
        {R"({"listUrl": "x", "skits": [{"id": 1, "name": "a", "fileName": "b", "url": "c", "colour": 2}]})",
         "The manifest's skit 1 (id 1) has the unknown field \"colour\"."},
        {R"({"listUrl": 5})", "The manifest, field \"listUrl\", is not a text."},
        {R"({"listUrl": "x", "skits": [{"id": 1, "name": "\u4e2d", "fileName": "b", "url": "c"}]})",
         "The manifest's skit 1 (id 1), field \"name\", holds U+4E2D, which the program's code page, "
         "Windows-1252, does not have."},
        {R"({"listUrl": "\u0081"})",
         "The manifest, field \"listUrl\", holds U+0081, which the program's code page, Windows-1252, does not "
         "have."},
        {R"({"listUrl": "x", "skits": {}})", "The manifest, field \"skits\", is not a list."},
        {R"({"listUrl": "x", "skits": [{"id": 1, "name": "a", "fileName": "b", "url": "c",
             "sha256": "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015a"}]})",
         "The manifest's skit 1 (id 1), field \"sha256\", is not the 64 hex digits of a SHA-256 digest."},
        {R"({"listUrl": "x", "skits": [{"id": 1, "name": "a", "fileName": "b", "url": "c",
             "sha256": "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ag"}]})",
         "The manifest's skit 1 (id 1), field \"sha256\", is not the 64 hex digits of a SHA-256 digest."},
    };
    for (const Case& c : cases) {
        WriteFile(folder_ / "manifest.json", c.manifest);
        const PakToolOutcome outcome = PakTool({"make-sync", folder_ / "manifest.json", folder_ / "list.syn"});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, "paktool: " + c.error + "\n");
        EXPECT_FALSE(std::filesystem::exists(folder_ / "list.syn"));
    }
}

// The program keeps Windows-1252; the author writes and reads UTF-8.
TEST_F(CatalogCommandsTest, TextsAreStoredInWindows1252AndShownInUtf8) {
    const std::string name = "Caf\xC3\xA9 \xE2\x80\x93 d\xC3\xA9j\xC3\xA0 vu \xE2\x82\xAC\xC5\xB8";
    const std::string list =
        MakeSync(R"({"listUrl": "http://x/l", "skits": [{"id": 1, "name": ")" + name +
                 R"(", "fileName": "caf\u00e9.gif", "url": "http://x/c", "state": "downloaded"}]})");
    EXPECT_NE(testing_files::ReadFile(list).find("Caf\xE9 \x96 d\xE9j\xE0 vu \x80\x9F"), std::string::npos);
    ASSERT_EQ(PakTool({"make-ops", ops_, "--list-url", "http://x/l", "--list-file", "l"}).status, 0);
    const PakToolOutcome merged = PakTool({"merge", ops_, list, "--skits", skits_, "--now", "2025-12-24T18:00:00"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_NE(merged.out.find(" caf\xC3\xA9.gif \"" + name + "\"\n"), std::string::npos) << merged.out;
    const std::string shown = PakTool({"show-ops", ops_}).out;
    EXPECT_NE(shown.find(" caf\xC3\xA9.gif \"" + name + "\"\n"), std::string::npos) << shown;
}

TEST_F(CatalogCommandsTest, AMergeWithoutAListOrAGoodTimeChangesNothing) {
    ASSERT_EQ(PakTool({"make-ops", ops_, "--list-url", "http://x/l", "--list-file", "l"}).status, 0);
    const std::string before = testing_files::ReadFile(ops_);
    EXPECT_EQ(PakTool({"merge", ops_, folder_ / "none.syn", "--skits", skits_}).err,
              "paktool: The skit list " + (folder_ / "none.syn") + " is not there.\n");
    const std::string list = MakeSync(kManifest);
    EXPECT_EQ(PakTool({"merge", ops_, list, "--skits", skits_, "--now", "tomorrow"}).err,
              "paktool: Bad time \"tomorrow\": use a local date and time like 2025-01-31T18:00:00.\n");
    EXPECT_EQ(PakTool({"merge", ops_, list, "--skits", skits_, "--sync-method", "3"}).status, 2);
    EXPECT_TRUE(std::filesystem::exists(list));
    EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(ops_), before));
}

// Three regular skits take turns; a timed skit every third pick, twice per start; the ops file stays.
TEST_F(CatalogCommandsTest, SimulatePrintsThePicksAndLeavesTheOpsFileAsItWas) {
    const struct {
        const char* timed;
        int picks;
        std::vector<std::string> expected;
    } cases[] = {
        {nullptr, 5, {"regular 1 a.gif", "regular 2 b.gif", "regular 3 c.gif", "regular 1 a.gif", "regular 2 b.gif"}},
        {"3",
         9,
         {"regular 1 a.gif", "regular 2 b.gif", "timed 9 t.gif", "regular 3 c.gif", "regular 1 a.gif", "timed 9 t.gif",
          "regular 2 b.gif", "regular 3 c.gif", "regular 1 a.gif"}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(ops_);
        std::vector<std::string> makeOps = {"make-ops", ops_, "--list-url", "http://x/l", "--list-file", "l"};
        if (c.timed != nullptr) {
            makeOps.insert(makeOps.end(), {"--timed-interval", c.timed, "--timed-plays-per-start", "2"});
        }
        ASSERT_EQ(PakTool(makeOps).status, 0);
        for (const char* name : {"a", "b", "c", "t"}) {
            WriteFile(skits_ + "/" + name + ".gif", "a movie");
        }
        // The list brings the interval of timed picks along.
        const std::string list = MakeSync(std::string(R"({"listUrl": "http://x/l", "timedInterval": )") +
                                          (c.timed != nullptr ? c.timed : "0") + R"(, "skits": [
            {"id": 1, "name": "A", "fileName": "a.gif", "url": "http://x/a", "state": "downloaded", "play": "yes"},
            {"id": 2, "name": "B", "fileName": "b.gif", "url": "http://x/b", "state": "downloaded", "play": "yes"},
            {"kind": "timed", "id": 9, "name": "T", "fileName": "t.gif", "url": "http://x/t", "state": "downloaded"},
            {"id": 3, "name": "C", "fileName": "c.gif", "url": "http://x/c", "state": "downloaded", "play": "yes"}]})");
        ASSERT_EQ(PakTool({"merge", ops_, list, "--skits", skits_, "--sync-method", "2"}).status, 0);
        const std::string before = testing_files::ReadFile(ops_);

        const PakToolOutcome simulated =
            PakTool({"simulate", ops_, "--skits", skits_, "--picks", std::to_string(c.picks)});
        ASSERT_EQ(simulated.status, 0) << simulated.err;
        std::string expected;
        for (std::size_t pick = 0; pick < c.expected.size(); ++pick) {
            expected += "pick " + std::to_string(pick + 1) + ": " + c.expected[pick] + "\n";
        }
        EXPECT_EQ(simulated.out, expected);
        EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(ops_), before));
    }

    // A list waiting in the skits folder would be merged and deleted: simulate leaves it there.
    WriteFile(skits_ + "/zolvane.syn", "a list");
    EXPECT_EQ(PakTool({"simulate", ops_, "--skits", skits_}).status, 1);
    EXPECT_TRUE(std::filesystem::exists(skits_ + "/zolvane.syn"));
}

// Opening the catalogue purges expired timed skits and skits to remove, with their movies: simulate
// must leave the skits folder as it was all the same.
TEST_F(CatalogCommandsTest, SimulateLeavesTheSkitsFolderAsItWas) {
    ASSERT_EQ(PakTool({"make-ops", ops_, "--list-url", "http://x/l", "--list-file", "l"}).status, 0);
    for (const char* name : {"a", "old", "gone"}) {
        WriteFile(skits_ + "/" + name + ".gif", std::string("movie ") + name);
    }
    const std::string list = MakeSync(R"({"listUrl": "http://x/l", "skits": [
        {"id": 1, "name": "A", "fileName": "a.gif", "url": "http://x/a", "state": "downloaded", "play": "yes"},
        {"kind": "timed", "id": 9, "name": "Old", "fileName": "old.gif", "url": "http://x/o", "state": "downloaded",
         "availableUntil": "2025-12-31T00:00:00"},
        {"id": 2, "name": "Gone", "fileName": "gone.gif", "url": "http://x/g", "state": "remove"}]})");
    ASSERT_EQ(
        PakTool({"merge", ops_, list, "--skits", skits_, "--sync-method", "2", "--now", "2025-12-24T18:00:00"}).status,
        0);
    const std::string before = testing_files::ReadFile(ops_);

    const PakToolOutcome simulated =
        PakTool({"simulate", ops_, "--skits", skits_, "--picks", "1", "--now", "2026-01-05T12:00:00"});
    ASSERT_EQ(simulated.status, 0) << simulated.err;
    EXPECT_EQ(simulated.out, "pick 1: regular 1 a.gif\n");
    for (const char* name : {"a", "old", "gone"}) {
        EXPECT_EQ(testing_files::ReadFile(skits_ + "/" + name + ".gif"), std::string("movie ") + name) << name;
    }
    EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(ops_), before));
}

TEST(LocalDateTime, ReadsAndWritesTheAuthorsForm) {
    FileTime time = 0;
    ASSERT_TRUE(ParseLocalDateTime("2001-07-04T13:05:09", time));
    EXPECT_EQ(time, 126387255090000000u);
    EXPECT_EQ(FormatLocalDateTime(time), "2001-07-04T13:05:09");
    for (const char* bad :
         {"2001-07-04", "2001-07-04T13:05:09Z", "2001-02-29T00:00:00", "2001-7-4T1:2:3", "x2001-07-04T13:05:0"}) {
        EXPECT_FALSE(ParseLocalDateTime(bad, time)) << bad;
    }
}
