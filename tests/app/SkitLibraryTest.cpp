// The skit library opened on the installation that the settings name.
#include "app/SkitLibrary.h"

#include "host/Settings.h"
#include "library/SkitCatalog.h"
#include "library/SkitFileWriters.h"
#include "tests/Raised.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>

using testing_files::ScratchFolder;

namespace {

class SkitLibraryTest : public testing::Test {
protected:
    SkitLibraryTest() : saved_(Settings) {
        Settings.OpsFilePath = folder_ / "zolvane.ops";
        Settings.SkitsPath = folder_.Path();
        Settings.DownloadPath = folder_.Path();
        Settings.LogPath.clear();
    }
    ~SkitLibraryTest() override { Settings = saved_; }

    ScratchFolder folder_;
    TSettings saved_;
};

} // namespace

TEST_F(SkitLibraryTest, OpensTheOpsFileTheSettingsName) {
    OpsHeader header;
    header.listUrl.text = "http://example.com/skits.syn";
    header.listFileName.text = "skits.syn";
    WriteOpsFile(Settings.OpsFilePath, header, {});
    SkitLibraryPtr library = OpenSkitLibrary(false);
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->IsOpen());
    EXPECT_EQ(library->Header().listFileName.text, "skits.syn");
}

TEST_F(SkitLibraryTest, AMissingOpsFileIsMissingOrCorruptAndNoNamedOneMeansReinstall) {
    EXPECT_EQ(ErrorOf([] { OpenSkitLibrary(true); }), "The file is missing or corrupt. " + Settings.OpsFilePath);
    Settings.OpsFilePath.clear();
    EXPECT_EQ(ErrorOf([] { OpenSkitLibrary(true); }), kDefaultStartupError);
}
