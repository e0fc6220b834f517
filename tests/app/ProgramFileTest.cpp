// zolvane.scr as it is shipped: the manifest that the loader reads, and the help page beside it.
#include "support/WinHandles.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgramFile, CarriesAManifestForCommonControlsSixAndPerMonitorDpi) {
    const UniqueModule program(LoadLibraryExA(ZOLVANE_SCR, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(program) << ZOLVANE_SCR;
    const HRSRC found = FindResourceA(program.Get(), MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(program.Get(), found)));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, SizeofResource(program.Get(), found));
    for (const char* part : {
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
             "PerMonitorV2, PerMonitor</dpiAwareness>",
             "true/pm</dpiAware>",
             R"(level="asInvoker")",
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
}

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
