#include "support/DiskFile.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "tests/Raised.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

TEST(DiskFile, OpeningAMissingFileRaisesTheSystemTextABlankAndTheName) {
    ScratchFolder folder;
    const std::string path = folder / "missing.pak";
    DiskFile file;
    EXPECT_EQ(ErrorOf([&] { file.Open(path, sys::kGenericRead, sys::kShareRead); }),
              ErrorText(sys::kErrorFileNotFound) + " " + path);
    EXPECT_FALSE(file.IsOpen());
    file.Close(); // harmless on a file that never opened
    file.Close();
}

TEST(DiskFile, CreatingInAMissingFolderRaisesWithTheName) {
    ScratchFolder folder;
    const std::string path = (std::filesystem::path(folder / "no-such-folder") / "new.pak").string();
    DiskFile file;
    const std::string error = ErrorOf([&] { file.Create(path, sys::kAttrNormal, sys::kShareRead); });
    EXPECT_NE(error, "(nothing raised)");
    EXPECT_EQ(error.substr(error.size() - path.size() - 1), " " + path);
}

TEST(DiskFile, AFolderCannotBeOpenedAsAFile) {
    ScratchFolder folder;
    DiskFile file;
    EXPECT_THROW(file.Open(folder.Path(), sys::kGenericRead, sys::kShareRead), EZolvaneError);
    EXPECT_FALSE(file.IsOpen());
}

TEST(DiskFile, WritesSeeksReadsAndSizesAFile) {
    ScratchFolder folder;
    const std::string path = folder / "data.bin";
    DiskFile file;
    file.Create(path, sys::kAttrNormal, sys::kShareRead);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.Size(), 10u);
    EXPECT_EQ(file.Seek(-4, sys::kSeekEnd), 6u);
    char four[4];
    EXPECT_EQ(file.Read(four, 4), 4u);
    EXPECT_EQ(std::string(four, 4), "6789");
    EXPECT_EQ(file.Seek(2, sys::kSeekBegin), 2u);
    file.Write("ab", 2);
    EXPECT_EQ(file.Seek(3, sys::kSeekCurrent), 7u);
    file.SetEnd();
    EXPECT_EQ(file.Size(), 7u);
    file.Close();
    EXPECT_EQ(ReadFile(path), "01ab456");
}

// A sparse file, so that the test costs no disk space.
TEST(DiskFile, ASizeOf4GiBOrMoreIsToldInFull) {
    ScratchFolder folder;
    const std::string path = folder / "huge.bin";
    WriteFile(path, "");
    std::filesystem::resize_file(path, 0x100000007ull);
    DiskFile file;
    file.Open(path, sys::kGenericRead, sys::kShareRead);
    EXPECT_EQ(file.Size(), 0x100000007ull);
    file.Close();
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(path); }), "It is larger than 4294967295 bytes. " + path);
}

TEST(DiskFile, CreateTruncatesAFileThatIsThere) {
    ScratchFolder folder;
    const std::string path = folder / "old.bin";
    WriteFile(path, "old contents");
    DiskFile file;
    file.Create(path, sys::kAttrNormal, sys::kShareRead);
    EXPECT_EQ(file.Size(), 0u);
}

TEST(DiskFile, AReadPastTheEndRaisesNothingAndLeavesTheRestOfTheBuffer) {
    ScratchFolder folder;
    const std::string path = folder / "short.bin";
    WriteFile(path, "abc");
    DiskFile file;
    file.Open(path, sys::kGenericRead, sys::kShareRead | sys::kShareWrite);
    char buffer[7] = "XXXXXX";
    EXPECT_EQ(file.Read(buffer, 6), 3u);
    EXPECT_EQ(std::string(buffer), "abcXXX");
    EXPECT_EQ(file.Read(buffer, 6), 0u);
    EXPECT_EQ(std::string(buffer), "abcXXX");
}

TEST(DiskFile, FailedCallsRaiseTheSystemTextAlone) {
    ScratchFolder folder;
    const std::string path = folder / "readonly-access.bin";
    WriteFile(path, "abc");
    DiskFile file;
    file.Open(path, sys::kGenericRead, sys::kShareRead);

    const std::string writeError = ErrorOf([&] { file.Write("x", 1); });
    EXPECT_NE(writeError, "(nothing raised)");
    EXPECT_EQ(writeError.find(path), std::string::npos);

    EXPECT_THROW(file.Seek(-1, sys::kSeekBegin), EZolvaneError);
    // The file stays usable after a failure.
    EXPECT_EQ(file.Seek(1, sys::kSeekBegin), 1u);
}

TEST(DiskFile, EveryCallOnAClosedFileRaises) {
    DiskFile file;
    char byte = 0;
    EXPECT_THROW(file.Read(&byte, 1), EZolvaneError);
    EXPECT_THROW(file.Write(&byte, 1), EZolvaneError);
    EXPECT_THROW(file.Seek(0, sys::kSeekBegin), EZolvaneError);
    EXPECT_THROW(file.SetEnd(), EZolvaneError);
    EXPECT_THROW(file.Size(), EZolvaneError);
}

TEST(DiskFile, DestroyingAnOpenFileLetsOthersReplaceIt) {
    ScratchFolder folder;
    const std::string path = folder / "held.bin";
    {
        DiskFile file;
        file.Create(path, sys::kAttrNormal, sys::kShareRead);
        file.Write("abc", 3);
    }
    // A handle left open would keep Windows from deleting the file.
    EXPECT_TRUE(sys::RemoveFile(path));
}

namespace {

// Records every read and write; can be told to fail a read.
class RecordingStream : public ByteStream {
public:
    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        calls.emplace_back('R', count);
        if (failReads) {
            throw EZolvaneError("read failed");
        }
        std::memset(buffer, 'r', count);
        return count;
    }
    void Write(const void*, std::uint32_t count) override { calls.emplace_back('W', count); }

    std::vector<std::pair<char, std::uint32_t>> calls;
    bool failReads = false;
};

} // namespace

TEST(CopyFileRange, CopiesNothingForZeroBytes) {
    RecordingStream source, target;
    CopyFileRange(source, target, 0);
    EXPECT_TRUE(source.calls.empty());
    EXPECT_TRUE(target.calls.empty());
}

TEST(CopyFileRange, CopiesInPairsOfAtMost8192Bytes) {
    RecordingStream source, target;
    CopyFileRange(source, target, 20000);
    using Calls = std::vector<std::pair<char, std::uint32_t>>;
    EXPECT_EQ(source.calls, (Calls{{'R', 8192}, {'R', 8192}, {'R', 3616}}));
    EXPECT_EQ(target.calls, (Calls{{'W', 8192}, {'W', 8192}, {'W', 3616}}));

    RecordingStream smallSource, smallTarget;
    CopyFileRange(smallSource, smallTarget, 100);
    EXPECT_EQ(smallTarget.calls, (Calls{{'W', 100}}));
}

TEST(CopyFileRange, AFailedReadPassesItsErrorOnAndWritesNothing) {
    RecordingStream source, target;
    source.failReads = true;
    EXPECT_THROW(CopyFileRange(source, target, 20000), EZolvaneError);
    EXPECT_TRUE(target.calls.empty());
}

TEST(CopyFileRange, CopiesFromEachFilesOwnPosition) {
    ScratchFolder folder;
    std::string contents;
    for (int i = 0; i < 20000; ++i) {
        contents += static_cast<char>('a' + i % 26);
    }
    WriteFile(folder / "from.bin", contents);
    DiskFile from, to;
    from.Open(folder / "from.bin", sys::kGenericRead, sys::kShareRead);
    to.Create(folder / "to.bin", sys::kAttrNormal, sys::kShareRead);
    to.Write("head:", 5);
    from.Seek(100, sys::kSeekBegin);
    CopyFileRange(from, to, 19000);
    from.Close();
    to.Close();
    EXPECT_EQ(ReadFile(folder / "to.bin"), "head:" + contents.substr(100, 19000));
}
