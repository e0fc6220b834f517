#include "library/SafeNames.h"

#include <cctype>

bool IsSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 32) {
            return false;
        }
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

namespace {

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(prefix[i])) {
            return false;
        }
    }
    return text.size() > i;
}

} // namespace

bool IsWebAddress(const std::string& url) {
    return StartsWithIgnoringCase(url, "http://") || StartsWithIgnoringCase(url, "https://");
}
