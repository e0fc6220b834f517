// A folder search that reports only entries whose attributes qualify, and the two questions built on
// it: is a file there, and how large is it.
#pragma once

#include "support/System.h"

#include <cstdint>
#include <string>

// The attributes a plain file may carry: read-only, system, archive, normal, compressed.
constexpr std::uint32_t kPlainFileMask =
    sys::kAttrReadOnly | sys::kAttrSystem | sys::kAttrArchive | sys::kAttrNormal | sys::kAttrCompressed;

class FileFinder {
public:
    // Starts a search for the pattern (a path, wildcards allowed); true when a qualifying entry was
    // found, which the fields then describe. An entry qualifies when it is not "." or "..", and its
    // attributes share a bit with the mask, or the mask has the normal bit and the entry has no
    // attributes at all. A mask of 0 qualifies nothing.
    bool FindFirst(const std::string& pattern, std::uint32_t includeMask);
    // True when a further qualifying entry was found.
    bool FindNext();
    void Close();

    std::string name;      // the current match, without its folder
    std::string shortName; // its alternate 8.3 name
    std::uint32_t attributes = 0;
    std::uint32_t sizeLow = 0;
    std::uint32_t sizeHigh = 0;
    std::uint64_t created = 0;
    std::uint64_t accessed = 0;
    std::uint64_t written = 0;

private:
    bool Qualifies(const sys::FindData& entry) const;
    void Take(const sys::FindData& entry);

    sys::DirectorySearch search_;
    std::uint32_t includeMask_ = 0;
    sys::FindData findData_;
};

// True when a plain file (not a folder) is at the path. A file whose only attribute is hidden is no
// plain file.
bool FileExists(const std::string& path);

// True when a file, hidden or not, is at the path; a folder is none.
bool AnyFileExists(const std::string& path);

// The low 32 bits of the size of the plain file at the path; 0 when there is none.
std::uint32_t FileSize(const std::string& path);
