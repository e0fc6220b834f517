// A disk that fails at any write, flush, set-end or rename of a save, a merge or a compaction: the ops
// file always opens afterwards and holds the catalogue from before or from after, never a mix. The
// POSIX half of the system layer fails the call on request; the Windows half cannot, so the test is
// built on POSIX only.
#include "support/System.h"
#include "tests/library/CatalogTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace catalog_testing;

namespace {

class FailingDiskTest : public CatalogTest {
protected:
    // What a catalogue holds, as one text to compare.
    std::string Summary() {
        const auto catalog = Open();
        std::string summary = std::to_string(catalog->LastListUpdate()) + "\n";
        for (const SkitRecord& record : catalog->Records()) {
            summary += std::to_string(record.kind) + " " + std::to_string(record.id) + " " +
                       std::to_string(record.state) + " " + std::to_string(record.play) + " " + record.name.text + " " +
                       record.fileName.text + " " + record.url.text + " " + record.description.text + "\n";
        }
        return summary;
    }

    // Fails every disk call of the operation in turn, each time from the same start.
    void FailEachCallOf(const std::string& name, const std::function<void()>& setUp,
                        const std::function<void()>& operation) {
        setUp();
        const std::string before = Summary();
        sys::FailNthDiskCall(0);
        operation();
        const std::uint64_t calls = sys::DiskCallsCounted();
        const std::string after = Summary();
        ASSERT_NE(before, after) << name << " changes nothing";
        ASSERT_GT(calls, 0u) << name;
        for (std::uint64_t n = 1; n <= calls; ++n) {
            setUp();
            sys::FailNthDiskCall(n);
            try {
                operation();
            } catch (const std::exception&) {
                // The failure itself is the point; what the file holds afterwards is the test.
            }
            sys::FailNthDiskCall(0);
            std::string now;
            try {
                now = Summary();
            } catch (const std::exception& error) {
                ADD_FAILURE() << name << ", disk call " << n << " of " << calls << " failing: " << error.what();
                continue;
            }
            EXPECT_TRUE(now == before || now == after) << name << ", disk call " << n << " of " << calls << ":\n"
                                                       << now << "before:\n"
                                                       << before << "after:\n"
                                                       << after;
        }
    }

    std::vector<SkitRecord> Skits() {
        return {Skit(skRegular, 1, "one.gif"), Skit(skRegular, 2, "two.gif"), Skit(skTimed, 3, "three.gif")};
    }
};

} // namespace

TEST_F(FailingDiskTest, EveryFailingCallOfASaveAMergeAndACompactionLeavesTheOldOrTheNewCatalogue) {
    FailEachCallOf(
        "a save", [&] { WriteOps(Skits()); },
        [&] {
            const auto catalog = Open();
            ApplyAll(*catalog, dsScheduled);
            catalog->Close();
        });

    // New skits, and an old one whose texts grow, so that they move and the close compacts.
    std::vector<SkitRecord> listed = Skits();
    listed[0].description.text = "A description much longer than the one the skit came with";
    listed[0].version = 2;
    for (std::int32_t id = 10; id < 40; ++id) {
        listed.push_back(Skit(skRegular, id, "skit" + std::to_string(id) + ".gif"));
    }
    std::string list;
    FailEachCallOf(
        "a merge",
        [&] {
            WriteOps(Skits());
            list = WriteList(listed, 2);
        },
        [&] {
            const auto catalog = Open();
            environment_.now = kNoon2025 + kDay;
            catalog->MergeDownloadedList(list);
            catalog->Close();
            environment_.now = kNoon2025;
        });

    // The same merge's file before its close: its moved texts left dead space for the close to compact.
    WriteOps(Skits());
    std::string uncompacted;
    {
        const auto catalog = Open();
        catalog->MergeDownloadedList(WriteList(listed, 2));
        uncompacted = testing_files::ReadFile(environment_.opsFile);
    }
    FailEachCallOf(
        "a compaction", [&] { testing_files::WriteFile(environment_.opsFile, uncompacted); },
        [&] {
            const auto catalog = Open();
            ApplyAll(*catalog, dsAvailable);
            catalog->Close();
        });
}

TEST_F(FailingDiskTest, AFailedMergeLendsNoTextIdToTheNextMergeAndKeepsItsList) {
    WriteOps(Skits());
    {
        const auto catalog = Open();
        const std::string list = WriteList({Skit(skRegular, 10, "ten.gif")}, 2);
        sys::FailNthDiskCall(1);
        EXPECT_THROW(catalog->MergeDownloadedList(list), std::exception);
        sys::FailNthDiskCall(0);
        EXPECT_EQ(catalog->Records().size(), 3u);
        EXPECT_EQ(catalog->LastListUpdate(), kNoon2025 - kDay);
        EXPECT_TRUE(testing_files::ReadFile(list).size() > 0) << "the list waits for the next try";

        catalog->MergeSyncFile(WriteList({Skit(skRegular, 20, "twenty.gif")}, 3), false);
    }
    const auto catalog = Open();
    std::vector<std::string> skits;
    for (const SkitRecord& record : catalog->Records()) {
        skits.push_back(record.name.text + " " + record.fileName.text + " " + record.url.text);
    }
    EXPECT_EQ(skits, (std::vector<std::string>{"Skit 1 one.gif http://example.com/skits/one.gif",
                                               "Skit 2 two.gif http://example.com/skits/two.gif",
                                               "Skit 3 three.gif http://example.com/skits/three.gif",
                                               "Skit 20 twenty.gif http://example.com/skits/twenty.gif"}));
}
