// The help call: the page opens in the program that the system associates with it, a topic by the page's
// address with the topic's fragment, and a page that is not there says so in the program's words.
#include "gui/Help.h"

#include "support/ErrorCodes.h"
#include "tests/Raised.h"
#include "tests/TestFiles.h"
#include "tests/gui/HelpTesting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

using testing_help::kExtension;

// Pages of a test-only extension open in the probe.
class HelpTest : public ::testing::Test {
protected:
    std::string AwaitProbe() { return viewer_.AwaitProbe(); }

    const ScratchFolder folder_;

private:
    testing_help::ProbeHelpViewer viewer_{folder_};
};

TEST_F(HelpTest, TheContentsAndAnyOtherCommandOpenThePageItself) {
    const std::string page = folder_ / ("zolvane" + kExtension);
    WriteFile(page, "<html></html>");
    for (const UINT command : {UINT(HELP_CONTENTS), UINT(HELP_FINDER)}) {
        OpenHelp(page, command, 5);
        EXPECT_EQ(AwaitProbe(), "\"" HARNESS_PROBE "\" \"" + page + "\"\n") << command;
    }
}

TEST_F(HelpTest, AContextStartsThePagesProgramWithTheQuotedAddressOfItsTopic) {
    const std::string base = folder_.Path();
    // Any character of the scratch folder itself that the address must escape would make the test spell
    // the encoding out twice; its own folder holds the characters that need it.
    ASSERT_EQ(base.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~:\\"),
              std::string::npos)
        << base;
    std::filesystem::create_directory(folder_ / "help #1");
    const std::string page = folder_ / ("help #1\\zolvane" + kExtension);
    WriteFile(page, "<html></html>");
    std::string address = "file:///" + base + "/help%20%231/zolvane" + kExtension + "#context-5";
    for (char& c : address) {
        c = c == '\\' ? '/' : c;
    }
    OpenHelp(page, HELP_CONTEXT, 5);
    EXPECT_EQ(AwaitProbe(), "\"" HARNESS_PROBE "\" \"" + address + "\"\n");
}

TEST_F(HelpTest, AMissingPageRaisesItsOwnText) {
    const std::string absent = folder_ / "absent.htm";
    const struct {
        std::string file;
        std::string text;
    } cases[] = {
        {"", "The help file is missing. You may need to reinstall this screensaver."},
        {absent, "The help file \"" + absent + "\" is missing. You may need to reinstall this screensaver."},
        {folder_.Path(),
         "The help file \"" + folder_.Path() + "\" is missing. You may need to reinstall this screensaver."},
    };
    for (const auto& c : cases) {
        for (const UINT command : {UINT(HELP_CONTENTS), UINT(HELP_CONTEXT)}) {
            EXPECT_EQ(ErrorOf([&] { OpenHelp(c.file, command, 1); }), c.text);
        }
    }
}

TEST_F(HelpTest, APageThatNoProgramOpensRaisesTheSystemsText) {
    // A topic falls back to the page itself, which the shell cannot open either.
    const std::string page = folder_ / "zolvane.zolvanenoprogram";
    WriteFile(page, "<html></html>");
    for (const UINT command : {UINT(HELP_CONTENTS), UINT(HELP_CONTEXT)}) {
        EXPECT_EQ(ErrorOf([&] { OpenHelp(page, command, 5); }), ErrorText(ERROR_NO_ASSOCIATION)) << command;
    }
}

} // namespace
