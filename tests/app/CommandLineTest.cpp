#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(ChooseRunMode, OnlyTheFirstLetterCountsInEitherCase) {
    for (const char* arguments : {"/s", "-S", "s", "Settings", "/Screensaver 12", "   /s"}) {
        EXPECT_EQ(ChooseRunMode(arguments).mode, rmSaver) << arguments;
        EXPECT_EQ(ChooseRunMode(arguments).parent, ParentSource::None) << arguments;
    }
}
