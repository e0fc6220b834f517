#include "library/PakArchive.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "tests/Raised.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

using testing_files::ReadFile;
using testing_files::SameBytes;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

constexpr std::uint32_t kReadWrite = sys::kGenericRead | sys::kGenericWrite;

std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(offset + static_cast<std::size_t>(i)));
    }
    return value;
}

void PutU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<char>(value >> (8 * i));
    }
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Trailer fields, counted from the start of the trailer.
constexpr std::size_t kScrambleAt = 16;
constexpr std::size_t kDataEndAt = 56;
constexpr std::size_t kDirSizeAt = 60;
constexpr std::size_t kBaseAt = 132;
constexpr std::size_t kSignatureAt = 140;

class PakArchiveTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name = "test.pak") const { return folder_ / name; }

    // A pak holding the given texts as PSTR 1, 2, ...
    std::string MakePak(const std::vector<std::string>& texts, const ScrambleProgram* scramble = nullptr) {
        const std::string path = Path();
        PakArchive pak;
        pak.Open(path, true, scramble, kReadWrite);
        for (const std::string& text : texts) {
            pak.WriteText(kPakPSTR, kPakNextId, text);
        }
        pak.Close();
        return path;
    }

    std::string Trailer(const std::string& bytes) const { return bytes.substr(bytes.size() - kPakTrailerSize); }

    ScratchFolder folder_;
};

} // namespace

TEST_F(PakArchiveTest, ANewPakIs160BytesOfEmptyDirectoryAndTrailer) {
    const std::string path = MakePak({});
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 160u);
    EXPECT_EQ(bytes.substr(0, 4), "paki");
    EXPECT_EQ(U32At(bytes, 4), 0u);
    EXPECT_EQ(U32At(bytes, 8), 0u);  // capacity
    EXPECT_EQ(U32At(bytes, 12), 0u); // count
    const std::string trailer = Trailer(bytes);
    EXPECT_EQ(trailer.substr(kScrambleAt, 8), std::string(8, '\x0D'));
    EXPECT_EQ(U32At(trailer, kDataEndAt), 0u);
    EXPECT_EQ(U32At(trailer, kDirSizeAt), 16u);
    EXPECT_EQ(U32At(trailer, 128), 0u);
    EXPECT_EQ(U32At(trailer, kBaseAt), 0u);
    EXPECT_EQ(U32At(trailer, 136), 0u);
    EXPECT_EQ(trailer.substr(kSignatureAt), "pakh");
}

TEST_F(PakArchiveTest, TheFirstWriteGrowsTheDirectoryTo200SlotsAndPutsTheDataFirst) {
    PakArchive pak;
    pak.Open(Path(), true, nullptr, kReadWrite);
    // A length of 0 stores a text with its terminating zero.
    EXPECT_EQ(pak.Write(kPakPSTR, 7, 0, 0, "hello", 0), 7);
    EXPECT_EQ(pak.Capacity(), 200u);
    EXPECT_EQ(pak.Count(), 1u);
    EXPECT_EQ(pak.DirSize(), 4816u);
    EXPECT_EQ(pak.DataEnd(), 6u);
    EXPECT_EQ(pak.Entry(0).offset, 0u);
    EXPECT_EQ(pak.Entry(0).size, 6u);
    pak.Close();

    const std::string bytes = ReadFile(Path());
    ASSERT_EQ(bytes.size(), 6u + 4816u + 144u);
    EXPECT_EQ(bytes.substr(0, 6), std::string("hello\0", 6));
    EXPECT_EQ(bytes.substr(6, 4), "paki");
    EXPECT_EQ(U32At(bytes, 6 + 8), 200u);
    EXPECT_EQ(U32At(Trailer(bytes), kDataEndAt), 6u);
}

TEST_F(PakArchiveTest, AShorterRewriteStaysInPlace) {
    PakArchive pak;
    pak.Open(Path(), true, nullptr, kReadWrite);
    pak.WriteText(kPakPSTR, 1, "first text");
    pak.WriteText(kPakPSTR, 2, "second text");
    pak.WriteText(kPakPSTR, 1, "1st");
    EXPECT_EQ(pak.Count(), 2u);
    EXPECT_EQ(pak.Entry(0).offset, 0u);
    EXPECT_EQ(pak.Entry(0).size, 4u);
    EXPECT_FALSE(pak.Entry(0).deleted);
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("1st\0", 4));
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 2)), std::string("second text\0", 12));
}

TEST_F(PakArchiveTest, ALongerRewriteMovesTheDataAndClosingCompacts) {
    const std::string path = Path();
    {
        PakArchive pak;
        pak.Open(path, true, nullptr, kReadWrite);
        pak.WriteText(kPakPSTR, 1, "aaaa");
        pak.WriteText(kPakPSTR, 2, "bbbbbbbb");
        pak.WriteText(kPakPSTR, 3, "cc");
        pak.WriteText(kPakPSTR, 1, "a much longer first text");
        ASSERT_EQ(pak.Count(), 4u);
        EXPECT_TRUE(pak.Entry(0).deleted);
        EXPECT_EQ(pak.Entry(0).offset, 0u); // a deleted entry keeps where it was until compaction
        EXPECT_EQ(pak.Entry(3).offset, 5u + 9u + 3u);
        EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("a much longer first text\0", 25));
        pak.Close();
    }
    EXPECT_FALSE(std::filesystem::exists(path + "1"));
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 9u + 3u + 25u + 4816u + 144u);
    EXPECT_EQ(bytes.substr(0, 37), std::string("bbbbbbbb\0cc\0a much longer first text\0", 37));

    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    ASSERT_EQ(pak.Count(), 3u);
    EXPECT_EQ(pak.Capacity(), 200u);
    const std::int32_t ids[] = {2, 3, 1};
    const std::uint32_t offsets[] = {0, 9, 12};
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(pak.Entry(i).id, ids[i]);
        EXPECT_EQ(pak.Entry(i).offset, offsets[i]);
        EXPECT_FALSE(pak.Entry(i).deleted);
    }
    EXPECT_EQ(pak.DataEnd(), 37u);
}

TEST_F(PakArchiveTest, ClosingWithoutDeletedEntriesLeavesTheFileAlone) {
    const std::string path = MakePak({"one", "two"});
    const std::string before = ReadFile(path);
    PakArchive pak;
    pak.Open(path, false, nullptr, kReadWrite);
    pak.WriteText(kPakPSTR, 1, "1");
    pak.Close();
    EXPECT_EQ(ReadFile(path).size(), before.size());
}

TEST_F(PakArchiveTest, NextIdSkipsNothingAndIgnoresNegativeIds) {
    PakArchive pak;
    pak.Open(Path(), true, nullptr, kReadWrite);
    EXPECT_EQ(pak.NextId(kPakPSTR), 1);
    pak.WriteText(kPakPSTR, -7, "negative");
    EXPECT_EQ(pak.NextId(kPakPSTR), 1);
    EXPECT_EQ(pak.WriteText(kPakPSTR, kPakNextId, "a"), 1);
    EXPECT_EQ(pak.WriteText(kPakPSTR, kPakNextId, "b"), 2);
    pak.WriteText(kPakSKIT, 40, "another type");
    EXPECT_EQ(pak.NextId(kPakPSTR), 3);
    // A deleted id still counts.
    pak.WriteText(kPakPSTR, 5, "x");
    pak.WriteText(kPakPSTR, 5, "longer than x");
    EXPECT_EQ(pak.NextId(kPakPSTR), 6);
    EXPECT_EQ(pak.NextId(kPakSKIT), 41);
}

TEST_F(PakArchiveTest, NextIdAtTheTopTakesTheLowestFreeIdInsteadOfWrappingRound) {
    PakArchive pak;
    pak.Open(Path(), true, nullptr, kReadWrite);
    pak.WriteText(kPakPSTR, 1, "one");
    pak.WriteText(kPakPSTR, 2147483647, "top");
    EXPECT_EQ(pak.NextId(kPakPSTR), 2);
}

TEST_F(PakArchiveTest, MissingResourcesAreReportedAndThePakStaysUsable) {
    const std::string path = MakePak({"one"});
    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_EQ(ErrorOf([&] { pak.Read(kPakPSTR, 2); }), "Pak not found.");
    EXPECT_EQ(ErrorOf([&] { pak.Read(kPakSKIT, 1); }), "Pak not found.");
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("one\0", 4));
}

TEST_F(PakArchiveTest, AReadOnlyPakRefusesWritesAndStaysAsItWas) {
    const std::string path = MakePak({"one"});
    const std::string before = ReadFile(path);
    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_THROW(pak.WriteText(kPakPSTR, 1, "a longer text than before"), EZolvaneError);
    pak.Close();
    EXPECT_TRUE(SameBytes(ReadFile(path), before));
}

TEST_F(PakArchiveTest, SingleModeScramblesTheDirectoryAndMarkedResources) {
    const ScrambleProgram xorA5 = {29, 0xA5, 0, 0, 0, 0, 0, 0};
    const std::string path = Path();
    {
        PakArchive pak;
        pak.Open(path, true, &xorA5, kReadWrite);
        const std::string secret = "secret";
        pak.Write(kPakSKIT, 1, 0, 1, secret.data(), 6);
        pak.Write(kPakPSTR, 1, 0, 0, "plain", 0);
        EXPECT_TRUE(pak.Entry(0).scrambled);
        EXPECT_FALSE(pak.Entry(1).scrambled);
        EXPECT_EQ(secret, "secret"); // the caller's data is not changed
    }
    const std::string bytes = ReadFile(path);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<std::uint8_t>(bytes[i]), static_cast<std::uint8_t>("secret"[i] ^ 0xA5));
    }
    EXPECT_EQ(bytes.substr(6, 6), std::string("plain\0", 6));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[12]), static_cast<std::uint8_t>('p' ^ 0xA5)); // "paki", scrambled

    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_EQ(Text(pak.Read(kPakSKIT, 1)), "secret");
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("plain\0", 6));
}

TEST_F(PakArchiveTest, CyclingModeRestartsAtTheFirstPairForEachBuffer) {
    // Pairs: XOR 0xFF, rotate right by 3 (when storing), and 13, which leaves its byte and restarts.
    const ScrambleProgram cycling = {6, 0, 29, 0xFF, 22, 3, 13, 0};
    const std::string path = Path();
    const std::uint8_t data[5] = {0x11, 0x80, 0x33, 0x44, 0x01};
    {
        PakArchive pak;
        pak.Open(path, true, &cycling, kReadWrite);
        pak.Write(kPakSKIT, 1, 0, 1, data, 5);
    }
    const std::string bytes = ReadFile(path);
    const std::uint8_t expected[5] = {0x11 ^ 0xFF, 0x10, 0x33, 0x44 ^ 0xFF, 0x20};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(static_cast<std::uint8_t>(bytes[i]), expected[i]) << "byte " << i;
    }
    // The directory starts its own cycle: 'p' with the first pair, 'a' with the second, 'k' unchanged.
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[5]), static_cast<std::uint8_t>('p' ^ 0xFF));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[6]), static_cast<std::uint8_t>(('a' >> 3) | ('a' << 5)));
    EXPECT_EQ(bytes[7], 'k');
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[8]), static_cast<std::uint8_t>('i' ^ 0xFF));

    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    const std::vector<std::uint8_t> read = pak.Read(kPakSKIT, 1);
    EXPECT_EQ(read, std::vector<std::uint8_t>(data, data + 5));
}

TEST_F(PakArchiveTest, APakWithABasePrefixKeepsItThroughCompaction) {
    const std::string pakBytes = ReadFile(MakePak({"one", "two"}));
    const std::string prefix = "PREFIX: an installer's own bytes before the pak.";
    std::string bytes = prefix + pakBytes;
    PutU32(bytes, bytes.size() - kPakTrailerSize + kBaseAt, static_cast<std::uint32_t>(prefix.size()));
    const std::string path = Path("prefixed.pak");
    WriteFile(path, bytes);
    {
        PakArchive pak;
        pak.Open(path, false, nullptr, kReadWrite);
        EXPECT_EQ(Text(pak.Read(kPakPSTR, 2)), std::string("two\0", 4));
        pak.WriteText(kPakPSTR, 1, "a longer first");
        pak.Close();
    }
    const std::string compacted = ReadFile(path);
    EXPECT_EQ(compacted.substr(0, prefix.size()), prefix);
    EXPECT_EQ(compacted.substr(prefix.size(), 4), std::string("two\0", 4));
    EXPECT_EQ(U32At(Trailer(compacted), kBaseAt), prefix.size());

    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("a longer first\0", 15));
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 2)), std::string("two\0", 4));
}

TEST_F(PakArchiveTest, DamagedPaksAreRefusedAsMissingOrCorrupt) {
    const std::string good = ReadFile(MakePak({"hello"}));
    const std::size_t trailer = good.size() - kPakTrailerSize;
    const std::size_t directory = 6;
    const std::string corrupt = "The file is missing or corrupt. ";

    struct Damage {
        const char* what;
        std::function<void(std::string&)> apply;
    };
    const Damage damages[] = {
        {"shorter than a trailer", [](std::string& b) { b.resize(100); }},
        {"no trailer signature", [&](std::string& b) { b[trailer + kSignatureAt + 3] = 'x'; }},
        {"bytes after the trailer", [](std::string& b) { b += "tail"; }},
        {"directory beyond the file", [&](std::string& b) { PutU32(b, trailer + kDataEndAt, 1000); }},
        {"directory size not of its capacity", [&](std::string& b) { PutU32(b, directory + 8, 199); }},
        {"directory size below its header", [&](std::string& b) { PutU32(b, trailer + kDirSizeAt, 8); }},
        {"count above capacity", [&](std::string& b) { PutU32(b, directory + 12, 201); }},
        {"entry beyond the data", [&](std::string& b) { PutU32(b, directory + 16 + 16, 7); }},
        {"entry offset beyond the data", [&](std::string& b) { PutU32(b, directory + 16 + 12, 0xFFFFFFF0u); }},
        {"base beyond the file", [&](std::string& b) { PutU32(b, trailer + kBaseAt, 0x7FFFFFFF); }},
    };
    for (const Damage& damage : damages) {
        std::string bytes = good;
        damage.apply(bytes);
        const std::string path = Path("damaged.pak");
        WriteFile(path, bytes);
        PakArchive pak;
        EXPECT_EQ(ErrorOf([&] { pak.Open(path, false, nullptr, sys::kGenericRead); }), corrupt + path) << damage.what;
        EXPECT_FALSE(pak.IsOpen()) << damage.what;
        EXPECT_TRUE(SameBytes(ReadFile(path), bytes)) << damage.what;
    }
}

TEST_F(PakArchiveTest, ACapacityThatWrapsRoundToTheRightSizeIsRefused) {
    // 16 + 24 x 0x20000000 is 16 in 32 bits: an empty directory that claims half a billion slots.
    std::string bytes = ReadFile(MakePak({}));
    PutU32(bytes, 8, 0x20000000);
    PutU32(bytes, 12, 1);
    WriteFile(Path(), bytes);
    PakArchive pak;
    EXPECT_EQ(ErrorOf([&] { pak.Open(Path(), false, nullptr, kReadWrite); }),
              "The file is missing or corrupt. " + Path());
}

TEST_F(PakArchiveTest, AMissingPakRaisesTheSystemsText) {
    PakArchive pak;
    const std::string path = Path("missing.pak");
    EXPECT_EQ(ErrorOf([&] { pak.Open(path, false, nullptr, sys::kGenericRead); }),
              ErrorText(sys::kErrorFileNotFound) + " " + path);
}

TEST_F(PakArchiveTest, ADirectoryWithoutItsSignatureCanStillBeRead) {
    std::string bytes = ReadFile(MakePak({"hello"}));
    bytes.replace(6, 4, "XXXX");
    WriteFile(Path(), bytes);
    PakArchive pak;
    pak.Open(Path(), false, nullptr, sys::kGenericRead);
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("hello\0", 6));
}

TEST_F(PakArchiveTest, AFailedCompactionLeavesTheOldFileWhole) {
    const std::string path = Path();
    PakArchive pak;
    pak.Open(path, true, nullptr, kReadWrite);
    pak.WriteText(kPakPSTR, 1, "one");
    pak.WriteText(kPakPSTR, 2, "two");
    pak.WriteText(kPakPSTR, 1, "one, but longer");
    const std::string before = ReadFile(path);
    // The compacted copy cannot be created where a folder already stands.
    std::filesystem::create_directory(path + "1");
    EXPECT_THROW(pak.Close(), EZolvaneError);
    EXPECT_FALSE(pak.IsOpen());
    EXPECT_TRUE(SameBytes(ReadFile(path), before));

    std::filesystem::remove(path + "1");
    PakArchive again;
    again.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_EQ(Text(again.Read(kPakPSTR, 1)), std::string("one, but longer\0", 16));
    EXPECT_EQ(Text(again.Read(kPakPSTR, 2)), std::string("two\0", 4));
}

#if !defined(_WIN32)
TEST_F(PakArchiveTest, AWriteThatFailsWhileCompactingLeavesTheOldFileWhole) {
    const std::string path = Path();
    PakArchive pak;
    pak.Open(path, true, nullptr, kReadWrite);
    pak.WriteText(kPakPSTR, 1, "one");
    pak.WriteText(kPakPSTR, 2, std::string(20000, 'x'));
    pak.WriteText(kPakPSTR, 1, "one, but longer");
    const std::string before = ReadFile(path);

    // Files may grow to 10000 bytes only: the copy of the second resource fails part-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original;
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit limited = original;
    limited.rlim_cur = 10000;
    setrlimit(RLIMIT_FSIZE, &limited);
    const std::string error = ErrorOf([&] { pak.Close(); });
    setrlimit(RLIMIT_FSIZE, &original);

    EXPECT_NE(error, "(nothing raised)");
    EXPECT_TRUE(SameBytes(ReadFile(path), before));
    EXPECT_FALSE(std::filesystem::exists(path + "1"));
}
#endif

TEST_F(PakArchiveTest, CreatingOverAnExistingFileStartsItAfresh) {
    const std::string path = MakePak({"one", "two"});
    PakArchive pak;
    pak.Open(path, true, nullptr, kReadWrite);
    EXPECT_EQ(pak.Count(), 0u);
    pak.Close();
    EXPECT_EQ(ReadFile(path).size(), 160u);
}

TEST_F(PakArchiveTest, APakLeftWithDeadSpaceIsNotCompactedWhenOpenedForReading) {
    const std::string path = Path();
    std::string uncompacted;
    {
        PakArchive pak;
        pak.Open(path, true, nullptr, kReadWrite);
        pak.WriteText(kPakPSTR, 1, "one");
        pak.WriteText(kPakPSTR, 1, "one, but longer");
        uncompacted = ReadFile(path); // as a program that died before closing would leave it
    }
    WriteFile(path, uncompacted);
    PakArchive pak;
    pak.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("one, but longer\0", 16));
    pak.Close();
    EXPECT_TRUE(SameBytes(ReadFile(path), uncompacted));
}

#if !defined(_WIN32)
TEST_F(PakArchiveTest, AWriteThatFailsPartWayPutsTheDirectoryBack) {
    const std::string path = MakePak({"one", "two"});
    const std::string before = ReadFile(path);
    PakArchive pak;
    pak.Open(path, false, nullptr, kReadWrite);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original;
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit limited = original;
    limited.rlim_cur = 8000;
    setrlimit(RLIMIT_FSIZE, &limited);
    const std::string error = ErrorOf([&] { pak.WriteText(kPakPSTR, 3, std::string(20000, 'x')); });
    setrlimit(RLIMIT_FSIZE, &original);
    EXPECT_NE(error, "(nothing raised)");

    EXPECT_EQ(pak.Count(), 2u);
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 2)), std::string("two\0", 4));
    pak.Close();
    EXPECT_TRUE(SameBytes(ReadFile(path), before));
}
#endif

// ---- Updates -------------------------------------------------------------------------------------------

namespace {

// Writes that exercise every way the file changes: new resources, rewrites in place and moved ones, a
// scrambled pak, and a directory that grows past its first 200 slots.
void WriteSequence(PakArchive& pak, int round) {
    pak.WriteText(kPakPSTR, 1, "a longer text than before, round " + std::to_string(round));
    pak.WriteText(kPakPSTR, 2, "x");
    for (int i = 0; i < 120; ++i) {
        pak.WriteText(kPakPSTR, kPakNextId, "new text " + std::to_string(round) + "." + std::to_string(i));
    }
    const std::vector<std::uint8_t> block(600, static_cast<std::uint8_t>(round));
    pak.Write(kPakSkOp, 0, 0, 1, block.data(), static_cast<std::uint32_t>(block.size()));
}

} // namespace

TEST_F(PakArchiveTest, AnUpdateLeavesTheBytesOfTheWritesOneByOneAndWritesThemOnce) {
    const ScrambleProgram scramble = {29, 0xA5, 0, 0, 0, 0, 0, 0};
    for (const ScrambleProgram* program : {static_cast<const ScrambleProgram*>(nullptr), &scramble}) {
        const std::string first = Path("first.pak");
        const std::string second = Path("second.pak");
        for (const std::string& path : {first, second}) {
            PakArchive pak;
            pak.Open(path, true, program, kReadWrite);
            pak.WriteText(kPakPSTR, kPakNextId, "one");
            pak.WriteText(kPakPSTR, kPakNextId, "two");
        }
        for (int round = 1; round <= 2; ++round) {
            PakArchive oneByOne;
            oneByOne.Open(first, false, nullptr, kReadWrite);
            WriteSequence(oneByOne, round);
            oneByOne.Close();

            PakArchive updated;
            updated.Open(second, false, nullptr, kReadWrite);
            PakArchive::Update update(updated);
            WriteSequence(updated, round);
            EXPECT_EQ(Text(updated.Read(kPakPSTR, 1)),
                      "a longer text than before, round " + std::to_string(round) + std::string(1, '\0'));
            const std::uint64_t writesBefore = DiskFileCalls().writes;
            update.Commit();
            EXPECT_EQ(DiskFileCalls().writes - writesBefore, 1u);
            updated.Close();
            EXPECT_TRUE(SameBytes(ReadFile(second), ReadFile(first))) << "round " << round;
        }
    }
}

TEST_F(PakArchiveTest, AnAbandonedUpdateOrOneThatChangesNothingLeavesTheFileAlone) {
    const std::string path = MakePak({"one", "two"});
    const std::string before = ReadFile(path);
    PakArchive pak;
    pak.Open(path, false, nullptr, kReadWrite);
    {
        PakArchive::Update update(pak);
        WriteSequence(pak, 1);
    }
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 2)), std::string("two") + '\0');
    EXPECT_EQ(pak.Count(), 2u);
    {
        PakArchive::Update update(pak);
        pak.WriteText(kPakPSTR, 2, "two");
        const std::uint64_t writesBefore = DiskFileCalls().writes;
        update.Commit();
        EXPECT_EQ(DiskFileCalls().writes, writesBefore);
    }
    pak.Close();
    EXPECT_TRUE(SameBytes(ReadFile(path), before));
}

// Another program reads the pak meanwhile, as the screensaver reads the catalogue while the settings save it.
TEST_F(PakArchiveTest, AnUpdateReplacesThePakThatAReaderHoldsAndTheReaderGoesOnWithTheOldBytes) {
    const std::string path = MakePak({"one", "two"});
    PakArchive reader;
    reader.Open(path, false, nullptr, sys::kGenericRead);
    PakArchive writer;
    writer.Open(path, false, nullptr, kReadWrite);
    {
        PakArchive::Update update(writer);
        writer.WriteText(kPakPSTR, 1, "eno");
        writer.WriteText(kPakPSTR, 2, "owt");
        update.Commit();
    }
    EXPECT_EQ(Text(reader.Read(kPakPSTR, 2)), std::string("two\0", 4));
    EXPECT_EQ(Text(writer.Read(kPakPSTR, 2)), std::string("owt\0", 4));
    reader.Close();
    writer.Close();
    PakArchive again;
    again.Open(path, false, nullptr, sys::kGenericRead);
    EXPECT_EQ(Text(again.Read(kPakPSTR, 1)), std::string("eno\0", 4));
    EXPECT_FALSE(std::filesystem::exists(path + "1"));
    EXPECT_FALSE(std::filesystem::exists(path + "2"));
}

#if defined(_WIN32)
// A program that holds the pak without leave to delete it keeps it from being replaced or moved.
TEST_F(PakArchiveTest, AnUpdateThatCannotReplaceThePakRaisesAndLeavesItAsItWas) {
    const std::string path = MakePak({"one"});
    const std::string before = ReadFile(path);
    DiskFile holder;
    holder.Open(path, sys::kGenericRead, sys::kShareRead | sys::kShareWrite);
    PakArchive pak;
    pak.Open(path, false, nullptr, kReadWrite);
    {
        PakArchive::Update update(pak);
        pak.WriteText(kPakPSTR, 1, "eno");
        EXPECT_NE(ErrorOf([&] { update.Commit(); }), "(nothing raised)");
    }
    EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), std::string("one\0", 4));
    pak.Close();
    holder.Close();
    EXPECT_TRUE(SameBytes(ReadFile(path), before));
    EXPECT_FALSE(std::filesystem::exists(path + "1"));
    EXPECT_FALSE(std::filesystem::exists(path + "2"));
}
#endif

#if !defined(_WIN32)
// Another program opens the pak at each moment of a replace that has to move the old file aside, to
// read it or to write an update of its own: the writer's pak in memory always agrees with the file on
// the disk, whichever program's moves put it there.
TEST_F(PakArchiveTest, ASecondProgramOpeningThePakDuringAReplaceLeavesTheWriterRightAboutTheDisk) {
    const std::string path = MakePak({"one"});
    const std::string before = ReadFile(path);
    const auto onDisk = [&] {
        PakArchive pak;
        pak.Open(path, false, nullptr, sys::kGenericRead);
        return Text(pak.Read(kPakPSTR, 1));
    };
    sys::RefuseReplacingMoves(true);
    for (const bool writes : {false, true}) {
        for (std::uint64_t n = 1;; ++n) {
            WriteFile(path, before);
            PakArchive pak;
            pak.Open(path, false, nullptr, kReadWrite);
            bool opened = false;
            sys::RunBeforeNthDiskCall(n, [&] {
                opened = true;
                PakArchive other;
                try {
                    other.Open(path, false, nullptr, writes ? kReadWrite : sys::kGenericRead);
                    if (writes) {
                        PakArchive::Update update(other);
                        other.WriteText(kPakPSTR, 1, "the other program's");
                        update.Commit();
                    }
                } catch (const std::exception&) {
                    // Nothing whole to open at that moment, or no way to replace it: the writer's moves decide.
                }
            });
            try {
                PakArchive::Update update(pak);
                pak.WriteText(kPakPSTR, 1, "one, moved to the end");
                update.Commit();
            } catch (const std::exception&) {
                // Whether the update reached the disk is what the pak in memory must tell.
            }
            sys::RunBeforeNthDiskCall(0, nullptr);
            if (!opened) {
                break;
            }
            EXPECT_EQ(Text(pak.Read(kPakPSTR, 1)), onDisk())
                << (writes ? "writing" : "reading") << ", the other program came at disk call " << n;
        }
    }
    sys::RefuseReplacingMoves(false);
}

// Every disk call of an update and of a compaction fails in turn, as a full disk fails it or as if the
// program stopped there, while another program holds the pak so that the new file cannot simply replace
// it: the pak then opens with the resources from before or from after, never a mix.
TEST_F(PakArchiveTest, WhileAnotherProgramHoldsThePakAFailingDiskLeavesTheOldOrTheNewPak) {
    const std::string path = Path();
    const auto summary = [&] {
        PakArchive pak;
        pak.Open(path, false, nullptr, sys::kGenericRead);
        std::string texts;
        for (std::uint32_t i = 0; i < pak.Count(); ++i) {
            const PakEntry entry = pak.Entry(i);
            if (!entry.deleted) {
                texts += std::to_string(entry.type) + " " + std::to_string(entry.id) + " " +
                         Text(pak.Read(entry.type, entry.id)) + "\n";
            }
        }
        return texts;
    };
    const std::string uncompacted = [&] {
        PakArchive pak;
        pak.Open(path, true, nullptr, kReadWrite);
        pak.WriteText(kPakPSTR, 1, "one");
        pak.WriteText(kPakPSTR, 2, std::string(3000, 'x'));
        pak.WriteText(kPakPSTR, 1, "one, but longer");
        return ReadFile(path);
    }();
    const auto update = [&] {
        PakArchive pak;
        pak.Open(path, false, nullptr, kReadWrite);
        PakArchive::Update writes(pak);
        WriteSequence(pak, 1);
        writes.Commit();
    };
    const auto compaction = [&] {
        PakArchive pak;
        pak.Open(path, false, nullptr, kReadWrite);
        pak.Close();
    };
    const struct {
        const char* name;
        std::function<void()> operation;
    } cases[] = {{"an update", update}, {"a compaction", compaction}};

    sys::RefuseReplacingMoves(true);
    for (const auto& c : cases) {
        const auto setUp = [&] {
            std::filesystem::remove(path + "1");
            std::filesystem::remove(path + "2");
            WriteFile(path, uncompacted);
        };
        setUp();
        const std::string before = summary();
        sys::FailNthDiskCall(0);
        c.operation();
        const std::uint64_t calls = sys::DiskCallsCounted();
        const std::string after = summary();
        for (const bool stops : {false, true}) {
            for (std::uint64_t n = 1; n <= calls; ++n) {
                setUp();
                sys::FailNthDiskCall(n, stops);
                try {
                    c.operation();
                } catch (const std::exception&) {
                    // What the file holds afterwards is the test.
                }
                sys::FailNthDiskCall(0);
                const std::string now = ErrorOf([&] { summary(); }) == "(nothing raised)" ? summary() : "damaged";
                EXPECT_TRUE(now == before || now == after)
                    << c.name << (stops ? ", stopping" : ", failing") << " at disk call " << n << " of " << calls;
            }
        }
    }
    sys::RefuseReplacingMoves(false);
}
#endif

namespace {

// Find and NextId as the directory itself answers them, entry by entry.
int FindByScan(const PakArchive& pak, PakType type, std::int32_t id) {
    for (std::uint32_t i = 0; i < pak.Count(); ++i) {
        const PakEntry entry = pak.Entry(i);
        if (!entry.deleted && entry.type == type && entry.id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::int32_t NextIdByScan(const PakArchive& pak, PakType type) {
    std::int32_t largest = 0;
    for (std::uint32_t i = 0; i < pak.Count(); ++i) {
        if (pak.Entry(i).type == type) {
            largest = std::max(largest, pak.Entry(i).id);
        }
    }
    return largest + 1;
}

void RandomWritesKeepTheIndexTrue(const std::string& path) {
    PakArchive pak;
    pak.Open(path, false, nullptr, kReadWrite);
    std::uint32_t state = 12345;
    const auto random = [&](std::uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % below;
    };
    for (int step = 0; step < 500; ++step) {
        const PakType type = random(2) == 0 ? kPakPSTR : kPakSKIT;
        const auto id = static_cast<std::int32_t>(random(40));
        switch (random(8)) {
        case 0:
            pak.WriteText(type, kPakNextId, "new");
            break;
        case 1: {
            PakArchive::Update update(pak);
            pak.WriteText(type, id, std::string(random(30), 'u'));
            if (random(2) == 0) {
                update.Commit();
            }
            break;
        }
        case 2:
            if (random(20) == 0) {
                pak.Close();
                pak.Open(path, false, nullptr, kReadWrite);
            }
            break;
        default:
            pak.WriteText(type, id, std::string(random(30), 'w'));
            break;
        }
        for (const PakType checked : {kPakPSTR, kPakSKIT}) {
            ASSERT_EQ(pak.NextId(checked), NextIdByScan(pak, checked)) << step;
            for (std::int32_t i = 0; i < 40; ++i) {
                ASSERT_EQ(pak.Find(checked, i), FindByScan(pak, checked, i)) << step << " " << i;
            }
        }
    }
}

} // namespace

// The directory's index must answer as a walk over the directory would, through every kind of change:
// new ids, rewrites in place and moved ones, updates kept and dropped, compaction, reopening, and a
// damaged pak that holds one type and id twice.
TEST_F(PakArchiveTest, TheDirectorysIndexAnswersAsTheDirectoryDoes) {
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "whole");
        const std::string path = MakePak({"a", "b", "c"});
        if (damaged) {
            // Entry 2 (PSTR 3) becomes a second PSTR 1, behind the first.
            std::string bytes = ReadFile(path);
            const std::size_t directory = bytes.size() - kPakTrailerSize - U32At(Trailer(bytes), kDirSizeAt);
            PutU32(bytes, directory + kPakDirectoryHeaderSize + 2 * kPakEntrySize + 4, 1);
            WriteFile(path, bytes);
        }
        RandomWritesKeepTheIndexTrue(path);
    }
}
