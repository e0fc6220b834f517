#include "support/DiskFile.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

// Reads the system's reason at once, before anything else can overwrite it.
[[noreturn]] void RaiseLastError() { throw EZolvaneError(LastErrorText()); }

[[noreturn]] void RaiseLastError(const std::string& name) { throw EZolvaneError(LastErrorText() + " " + name); }

constexpr std::uint32_t kCopyChunk = 8192;

std::atomic<std::uint64_t> gReads{0};
std::atomic<std::uint64_t> gWrites{0};
std::atomic<std::uint64_t> gBytesWritten{0};
std::atomic<std::uint64_t> gSeeks{0};

} // namespace

void DiskFile::Open(const std::string& name, std::uint32_t access, std::uint32_t share) {
    Close();
    handle_ =
        sys::OpenFile(name, access, share, sys::Disposition::OpenExisting, sys::kFlagRandomAccess | sys::kAttrNormal);
    if (!handle_) {
        RaiseLastError(name);
    }
}

void DiskFile::Create(const std::string& name, std::uint32_t flagsAndAttributes, std::uint32_t share) {
    Close();
    handle_ = sys::OpenFile(name, sys::kGenericRead | sys::kGenericWrite, share, sys::Disposition::CreateAlways,
                            flagsAndAttributes);
    if (!handle_) {
        RaiseLastError(name);
    }
}

void DiskFile::CreateFresh(const std::string& name, std::uint32_t flagsAndAttributes, std::uint32_t share) {
    Close();
    // Deleting a link deletes the link, never the file it leads to.
    sys::RemoveFile(name);
    handle_ = sys::OpenFile(name, sys::kGenericRead | sys::kGenericWrite, share, sys::Disposition::CreateNew,
                            flagsAndAttributes);
    if (!handle_) {
        RaiseLastError(name);
    }
}

bool DiskFile::OpenOwn(const std::string& name) {
    Close();
    handle_ = sys::OpenOwnFile(name);
    return IsOpen();
}

void DiskFile::Close() { handle_.Reset(); }

std::uint32_t DiskFile::Read(void* buffer, std::uint32_t count) {
    ++gReads;
    std::uint32_t done = 0;
    if (!sys::ReadBytes(handle_.Get(), buffer, count, done)) {
        RaiseLastError();
    }
    return done;
}

void DiskFile::Write(const void* buffer, std::uint32_t count) {
    ++gWrites;
    gBytesWritten += count;
    if (!sys::WriteBytes(handle_.Get(), buffer, count)) {
        RaiseLastError();
    }
}

std::uint32_t DiskFile::Seek(std::int32_t distance, sys::SeekMethod method) {
    ++gSeeks;
    const std::uint32_t position = sys::SetFilePosition(handle_.Get(), distance, method);
    if (position == 0xFFFFFFFFu) {
        RaiseLastError();
    }
    return position;
}

void DiskFile::SetEnd() {
    if (!sys::SetEndOfFileHere(handle_.Get())) {
        RaiseLastError();
    }
}

void DiskFile::Flush() {
    if (!sys::FlushFile(handle_.Get())) {
        RaiseLastError();
    }
}

std::uint64_t DiskFile::Size() {
    std::uint64_t size = 0;
    if (!sys::QueryFileSize(handle_.Get(), size)) {
        RaiseLastError();
    }
    return size;
}

DiskFileCallCounts DiskFileCalls() {
    DiskFileCallCounts counts;
    counts.reads = gReads.load();
    counts.writes = gWrites.load();
    counts.bytesWritten = gBytesWritten.load();
    counts.seeks = gSeeks.load();
    return counts;
}

std::string ReadWholeFile(const std::string& path, std::uint32_t largest) {
    DiskFile file;
    file.Open(path, sys::kGenericRead, sys::kShareRead);
    const std::uint64_t size = file.Size();
    if (size > largest) {
        throw EZolvaneError("It is larger than " + std::to_string(largest) + " bytes. " + path);
    }
    const auto count = static_cast<std::uint32_t>(size);
    std::string bytes(count, '\0');
    bytes.resize(count > 0 ? file.Read(bytes.data(), count) : 0);
    return bytes;
}

void CopyFileRange(ByteStream& source, ByteStream& target, std::uint32_t count) {
    if (count == 0) {
        return;
    }
    std::vector<std::uint8_t> buffer(std::min(count, kCopyChunk));
    while (count > 0) {
        const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(count, buffer.size()));
        source.Read(buffer.data(), chunk);
        target.Write(buffer.data(), chunk);
        count -= chunk;
    }
}
