#include "library/FileFinder.h"

bool FileFinder::FindFirst(const std::string& pattern, std::uint32_t includeMask) {
    includeMask_ = includeMask;
    if (!search_.First(pattern, findData_)) {
        return false;
    }
    if (Qualifies(findData_)) {
        Take(findData_);
        return true;
    }
    return FindNext();
}

bool FileFinder::FindNext() {
    while (search_.Next(findData_)) {
        if (Qualifies(findData_)) {
            Take(findData_);
            return true;
        }
    }
    return false;
}

void FileFinder::Close() { search_.Close(); }

bool FileFinder::Qualifies(const sys::FindData& entry) const {
    if (entry.name == "." || entry.name == ".." || includeMask_ == 0) {
        return false;
    }
    return (entry.attributes & includeMask_) != 0 || ((includeMask_ & sys::kAttrNormal) != 0 && entry.attributes == 0);
}

void FileFinder::Take(const sys::FindData& entry) {
    name = entry.name;
    shortName = entry.shortName;
    attributes = entry.attributes;
    sizeLow = static_cast<std::uint32_t>(entry.size);
    sizeHigh = static_cast<std::uint32_t>(entry.size >> 32);
    created = entry.created;
    accessed = entry.accessed;
    written = entry.written;
}

bool FileExists(const std::string& path) {
    FileFinder finder;
    return finder.FindFirst(path, kPlainFileMask);
}

bool AnyFileExists(const std::string& path) {
    FileFinder finder;
    return finder.FindFirst(path, kPlainFileMask | sys::kAttrHidden) && (finder.attributes & sys::kAttrDirectory) == 0;
}

std::uint32_t FileSize(const std::string& path) {
    FileFinder finder;
    return finder.FindFirst(path, kPlainFileMask) ? finder.sizeLow : 0;
}
