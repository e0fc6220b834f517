// zolvane.scr as it is shipped: the help page beside it.
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgramFile, TheHelpPageBesideItHasATopicForEveryHelpContext) {
    const std::string program = ZOLVANE_SCR;
    const std::string page =
        testing_files::ReadFile(program.substr(0, program.find_last_of("/\\") + 1) + "zolvane.htm");
    ASSERT_FALSE(page.empty());
    for (const char* context : {"9999", "1", "2", "3", "4", "5", "6", "7"}) {
        EXPECT_NE(page.find("id=\"context-" + std::string(context) + "\""), std::string::npos) << context;
    }
}

} // namespace
