#include "playback/SkitChoice.h"
#include "tests/library/CatalogTestSupport.h"
#include "tests/net/FakeConnectionCost.h"

using namespace catalog_testing;

namespace {

std::string Describe(const SpecialChoice& choice) {
    return (choice.special ? std::to_string(*choice.special) : std::string("none")) +
           (choice.startDownload ? "+download" : "");
}

} // namespace

TEST(ChooseSpecial, FollowsHowNewSkitsArrive) {
    struct Case {
        std::uint8_t syncMethod;
        int runCount, scheduled, available;
        bool due;
        const char* expected;
    };
    const Case cases[] = {
        // Automatic: only the second choice, and only with skits waiting or the list due.
        {smAutomatic, 1, 1, 0, false, "1+download"},
        {smAutomatic, 1, 0, 0, true, "1+download"},
        {smAutomatic, 1, 0, 5, false, "none"},
        {smAutomatic, 0, 1, 0, true, "none"},
        {smAutomatic, 2, 1, 0, true, "none"},
        // Choose from a list: every 5th start while skits are on offer, else the second choice when due.
        {smChooseFromList, 5, 0, 1, false, "3"},
        {smChooseFromList, 10, 0, 1, true, "3"},
        {smChooseFromList, 5, 0, 0, false, "none"},
        {smChooseFromList, 0, 0, 1, true, "none"},
        {smChooseFromList, 6, 0, 1, false, "none"},
        {smChooseFromList, 1, 0, 1, true, "2+download"},
        {smChooseFromList, 1, 3, 0, false, "none"},
        // Manual: the second choice shows that the list is due, and starts nothing.
        {smManual, 1, 0, 0, true, "4"},
        {smManual, 1, 4, 0, false, "none"},
        {smManual, 2, 0, 0, true, "none"},
        {7, 1, 1, 1, true, "none"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(ChooseSpecial(c.syncMethod, c.runCount, c.scheduled, c.available, c.due)), c.expected)
            << "method " << int{c.syncMethod} << ", run count " << c.runCount << ", scheduled " << c.scheduled
            << ", available " << c.available << ", due " << c.due;
    }
}

namespace {

class ShowChoiceTest : public CatalogTest {
protected:
    ShowChoiceTest() {
        for (int id = 1; id <= 4; ++id) {
            const std::string movie = "special" + std::to_string(id) + ".gif";
            PutMovie(movie);
            specials_.push_back(Downloaded(Skit(skSpecial, id, movie)));
        }
    }
    // The four specials and one regular skit, "regular.gif", all on the disk.
    std::unique_ptr<SkitCatalog> OpenWithOneRegularSkit() {
        PutMovie("regular.gif");
        std::vector<SkitRecord> records = specials_;
        records.push_back(Downloaded(Skit(skRegular, 1, "regular.gif")));
        WriteOps(records);
        return Open();
    }
    // On a connection that is not metered.
    ShowChoice Choose(SkitCatalog& catalog, std::uint8_t syncMethod, int runCount) {
        return ChooseShowSkit(catalog, syncMethod, runCount, unmetered_, false);
    }

    std::vector<SkitRecord> specials_;
    net_testing::FakeConnectionCost unmetered_;
};

} // namespace

TEST_F(ShowChoiceTest, TheCataloguesPickComesFirstAndSpecialFourWhenThereIsNone) {
    auto catalog = OpenWithOneRegularSkit();
    EXPECT_EQ(Choose(*catalog, smManual, 0).file, "regular.gif");
    // Nothing eligible: special skit 4 stands in.
    ApplyAll(*catalog, dsAvailable);
    EXPECT_EQ(Choose(*catalog, smManual, 3).file, "special4.gif");
    catalog.reset();

    WriteOps(specials_);
    catalog = Open();
    const ShowChoice idle = Choose(*catalog, smManual, 3);
    EXPECT_EQ(idle.file, "special4.gif");
    EXPECT_FALSE(idle.startDownload);
    // While a download runs, special skit 1 stands in.
    ASSERT_TRUE(catalog->StartSkitListDownload(nullptr, true));
    EXPECT_EQ(Choose(*catalog, smManual, 3).file, "special1.gif");
}

TEST_F(ShowChoiceTest, TheSecondChoiceStartsTheListDownloadWhenItIsDue) {
    header_.lastListUpdate = 0;
    auto catalog = OpenWithOneRegularSkit();
    EXPECT_EQ(Choose(*catalog, smAutomatic, 0).file, "regular.gif");
    const ShowChoice second = Choose(*catalog, smAutomatic, 1);
    EXPECT_EQ(second.file, "special1.gif");
    EXPECT_TRUE(second.startDownload);
    EXPECT_EQ(Choose(*catalog, smManual, 1).file, "special4.gif");
    EXPECT_FALSE(Choose(*catalog, smManual, 1).startDownload);
}

TEST_F(ShowChoiceTest, ChoosingFromAListShowsSpecialThreeAfterFiveStarts) {
    PutMovie("regular.gif");
    std::vector<SkitRecord> records = specials_;
    records.push_back(Downloaded(Skit(skRegular, 1, "regular.gif")));
    records.push_back(Skit(skRegular, 2, "offered.gif"));
    WriteOps(records);
    auto catalog = Open();
    EXPECT_EQ(Choose(*catalog, smChooseFromList, 4).file, "regular.gif");
    EXPECT_EQ(Choose(*catalog, smChooseFromList, 5).file, "special3.gif");
    EXPECT_EQ(Choose(*catalog, smChooseFromList, 6).file, "regular.gif");
}

TEST_F(ShowChoiceTest, AMissingSpecialSkitFallsBack) {
    // Special skit 1 is missing: the automatic download's skit falls back to 1 again, and so to nothing.
    std::vector<SkitRecord> records = {specials_[1], specials_[3]};
    header_.lastListUpdate = 0;
    WriteOps(records);
    auto catalog = Open();
    const ShowChoice choice = Choose(*catalog, smAutomatic, 1);
    EXPECT_EQ(choice.file, std::nullopt);
    EXPECT_TRUE(choice.startDownload);
    EXPECT_EQ(Choose(*catalog, smChooseFromList, 1).file, "special2.gif");
    EXPECT_EQ(Choose(*catalog, smManual, 1).file, "special4.gif");
}

// A skit's key is answered for the skit that plays: a special skit's own, not that of the regular skit
// the catalogue picked last.
TEST_F(ShowChoiceTest, AChoiceNamesItsSkitWhoseKeyIsAnswered) {
    PutMovie("regular.gif");
    header_.lastListUpdate = 0;
    std::vector<SkitRecord> records = specials_;
    records[3].keyCode = 'S';
    records[3].keyAction = 1;
    SkitRecord regular = Downloaded(Skit(skRegular, 7, "regular.gif"));
    regular.keyCode = 'R';
    regular.keyAction = 2;
    regular.keyText.text = "http://example.invalid/";
    records.push_back(regular);
    WriteOps(records);
    auto catalog = Open();

    struct Row {
        int runCount;
        std::uint8_t kind;
        std::int32_t id;
        std::int32_t key;       // the key pressed while the choice plays
        std::uint8_t keyAction; // 0: the key is none of the skit's
    };
    // Manual with a due list: the first choice is the catalogue's pick, the second special skit 4.
    const Row rows[] = {
        {0, skRegular, 7, 'R', 2},
        {1, skSpecial, 4, 'S', 1},
        {1, skSpecial, 4, 'R', 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.runCount);
        const ShowChoice choice = Choose(*catalog, smManual, row.runCount);
        EXPECT_EQ(choice.kind, row.kind);
        EXPECT_EQ(choice.id, row.id);
        const auto action = catalog->KeyActionOf(choice.kind, choice.id, row.key);
        EXPECT_EQ(action ? action->keyAction : 0, row.keyAction);
    }
    EXPECT_FALSE(catalog->KeyActionOf(skRegular, 99, 'R').has_value());
}

// The show's own download waits on a metered connection unless the user lets it run there; the skit that
// would announce it waits with it, and the catalogue's pick plays. The cost is asked only when a download
// would start and the setting leaves the answer to it.
TEST_F(ShowChoiceTest, ADueDownloadWaitsOnAMeteredConnectionUnlessDownloadOnMeteredIsSet) {
    header_.lastListUpdate = 0;
    auto catalog = OpenWithOneRegularSkit();

    struct Row {
        std::uint8_t syncMethod;
        int runCount;
        bool metered, downloadOnMetered;
        const char* file;
        bool startDownload, downloadWaits;
        int asked;
    };
    const Row rows[] = {
        {smAutomatic, 1, false, false, "special1.gif", true, false, 1},
        {smAutomatic, 1, true, false, "regular.gif", false, true, 1},
        {smAutomatic, 1, true, true, "special1.gif", true, false, 0},
        {smChooseFromList, 1, false, false, "special2.gif", true, false, 1},
        {smChooseFromList, 1, true, false, "regular.gif", false, true, 1},
        {smChooseFromList, 1, true, true, "special2.gif", true, false, 0},
        // No download would start: nothing to wait for, and nobody asks.
        {smAutomatic, 0, true, false, "regular.gif", false, false, 0},
        {smManual, 1, true, false, "special4.gif", false, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "method " << int{row.syncMethod} << ", run count " << row.runCount
                                        << ", metered " << row.metered << ", DownloadOnMetered "
                                        << row.downloadOnMetered);
        const net_testing::FakeConnectionCost cost(row.metered);
        const ShowChoice choice = ChooseShowSkit(*catalog, row.syncMethod, row.runCount, cost, row.downloadOnMetered);
        EXPECT_EQ(choice.file, row.file);
        EXPECT_EQ(choice.startDownload, row.startDownload);
        EXPECT_EQ(choice.downloadWaits, row.downloadWaits);
        EXPECT_EQ(cost.asked, row.asked);
    }
}
