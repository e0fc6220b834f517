#include "support/FileNames.h"

std::string WithoutExtension(const std::string& path) {
    const std::string::size_type nameStart = path.find_last_of("\\/:") + 1;
    const std::string::size_type dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        return path;
    }
    return path.substr(0, dot);
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    return WithoutExtension(path) + extension;
}
