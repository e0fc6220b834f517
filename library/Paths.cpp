#include "library/Paths.h"

bool IsPathSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

void SplitPath(const std::string& path, std::string* folder, std::string* name) {
    const std::string::size_type separator = path.find_last_of("\\/:");
    if (separator == std::string::npos) {
        if (folder != nullptr) {
            folder->clear();
        }
        if (name != nullptr) {
            *name = path;
        }
        return;
    }
    if (folder != nullptr) {
        *folder = path.substr(0, separator);
    }
    if (name != nullptr) {
        *name = path.substr(separator + 1);
    }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    // No name is the folder itself: a backslash after it would make a different path of it.
    if (name.empty()) {
        return folder;
    }
    std::string joined = folder;
    if (joined.size() >= 2 && !IsPathSeparator(joined.back())) {
        joined += '\\';
    }
    joined += name;
    return joined;
}
