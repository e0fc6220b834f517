// DiskFile: one open file, with every failed call raised as an error that carries the system's text.
//
// There is no buffering: every read, write and seek is one system call. Positions are 32-bit; a size
// is told in full, so that a file of 4 GiB or more can be refused instead of taken for a small one.
#pragma once

#include "support/System.h"

#include <cstdint>
#include <string>

// What copying a range needs of its two ends. DiskFile is the real one; tests record the calls.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Reads up to count bytes and says how many came; a read past the end is not an error.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual void Write(const void* buffer, std::uint32_t count) = 0;
};

class DiskFile : public ByteStream {
public:
    DiskFile() = default;
    DiskFile(DiskFile&&) noexcept = default;
    DiskFile& operator=(DiskFile&&) noexcept = default;

    // Opens a file that exists, for random access. Raises the system's text, a blank and the name.
    void Open(const std::string& name, std::uint32_t access, std::uint32_t share);
    // Creates a file for reading and writing, truncating one that is there. Raises as Open does.
    void Create(const std::string& name, std::uint32_t flagsAndAttributes, std::uint32_t share);
    // Deletes whatever is at the name, then creates a new file there, so that a link someone left at the
    // name (to a file of another user's, say) is never written through. Raises as Open does, also when
    // the name could not be freed.
    void CreateFresh(const std::string& name, std::uint32_t flagsAndAttributes, std::uint32_t share);
    // Opens a file that is there for reading and writing when sys::OpenOwnFile trusts it; false, and
    // nothing open, when the file is not there or not this user's own.
    bool OpenOwn(const std::string& name);
    // Harmless when nothing is open. The destructor closes too, so no failure path leaks the handle.
    void Close();
    bool IsOpen() const { return handle_.IsValid(); }

    // Bytes of the buffer beyond what the file held keep their former contents.
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    void Write(const void* buffer, std::uint32_t count) override;
    // The new position.
    std::uint32_t Seek(std::int32_t distance, sys::SeekMethod method);
    // Ends the file at the current position.
    void SetEnd();
    // Puts what was written on the disk before it returns.
    void Flush();
    // The file's size, all 64 bits of it.
    std::uint64_t Size();

private:
    sys::UniqueFile handle_;
};

// How many reads, writes and seeks every DiskFile of the process has made, for benchmarks.
struct DiskFileCallCounts {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
    std::uint64_t seeks = 0;
    std::uint64_t bytesWritten = 0;
};
DiskFileCallCounts DiskFileCalls();

// A whole file, read through DiskFile so that its errors read as the program's. A file larger than
// `largest` bytes is refused ("It is larger than N bytes." and the path) rather than read into memory.
std::string ReadWholeFile(const std::string& path, std::uint32_t largest = 0xFFFFFFFFu);

// Copies count bytes from the source's position to the target's, in chunks of at most 8192 bytes.
void CopyFileRange(ByteStream& source, ByteStream& target, std::uint32_t count);
