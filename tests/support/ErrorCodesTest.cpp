#include "support/ErrorCodes.h"
#include "support/System.h"

#include <gtest/gtest.h>

#include <limits>

#if defined(__SANITIZE_ADDRESS__)
// An allocation the heap cannot give must come back as null, not stop the sanitizer.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

TEST(ErrorText, ProgramCodesReadAsTheirTableTexts) {
    EXPECT_EQ(ErrorText(0x8000001), "Attempt to create the file failed.");
    EXPECT_EQ(ErrorText(0x800000B), "The file is missing or corrupt.");
    EXPECT_EQ(ErrorText(0x800000E), "Memory allocation failed.");
    EXPECT_EQ(ErrorText(0x8000016), "Operation cancelled.");
    EXPECT_EQ(ErrorText(0x800001C), "A Windows API function failed but no error information was returned.");
}

TEST(ErrorText, ProgramCodesOutsideTheTableAreFramedInSignedDecimal) {
    EXPECT_EQ(ErrorText(0x8000000), "<unknown error: 134217728>");
    // The table has no rows for 0x800000C and 0x800000D.
    EXPECT_EQ(ErrorText(0x800000C), "<unknown error: 134217740>");
    // All bits set includes bit 27, misses the table, and reads as -1.
    EXPECT_EQ(ErrorText(0xFFFFFFFF), "<unknown error: -1>");
}

TEST(ErrorText, SystemCodesReadAsTheSystemsOwnText) {
    std::string systemText;
    ASSERT_TRUE(sys::SystemMessage(sys::kErrorFileNotFound, systemText));
    EXPECT_EQ(ErrorText(sys::kErrorFileNotFound), systemText);
    EXPECT_EQ(ErrorText(sys::kErrorFileNotFound).rfind("<unknown error", 0), std::string::npos);
}

TEST(ErrorText, SystemCodesWithoutAMessageAreFramedInSignedDecimal) {
    EXPECT_EQ(ErrorText(0x07FFFFFF), "<unknown error: 134217727>");
}

TEST(LastErrorCode, NoErrorInformationStandsInForZero) {
    sys::SetLastErrorCode(0);
    EXPECT_EQ(LastErrorCode(), ecNoErrorInformation);
    EXPECT_EQ(LastErrorText(), "A Windows API function failed but no error information was returned.");

    sys::SetLastErrorCode(sys::kErrorFileNotFound);
    EXPECT_EQ(LastErrorCode(), sys::kErrorFileNotFound);
    sys::SetLastErrorCode(sys::kErrorFileNotFound);
    EXPECT_EQ(LastErrorText(), ErrorText(sys::kErrorFileNotFound));
}

TEST(IntToDecimal, FormatsSigned32BitValues) {
    EXPECT_EQ(IntToDecimal(0), "0");
    EXPECT_EQ(IntToDecimal(-1), "-1");
    EXPECT_EQ(IntToDecimal(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(IntToDecimal(std::numeric_limits<std::int32_t>::max()), "2147483647");
}

TEST(ZeroAlloc, GivesZeroedBytesOrNullWhenTheHeapCannot) {
    const auto block = ZeroAlloc(4096);
    ASSERT_NE(block, nullptr);
    for (std::size_t i = 0; i < 4096; ++i) {
        ASSERT_EQ(block[i], 0) << "at " << i;
    }
    EXPECT_EQ(ZeroAlloc(std::numeric_limits<std::size_t>::max() / 2), nullptr);
}
