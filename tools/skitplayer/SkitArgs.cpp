#include "tools/skitplayer/SkitArgs.h"

#include "library/Paths.h"
#include "library/SafeNames.h"
#include "support/Error.h"

namespace {

struct ValueCode {
    const char* code; // the two hex digits after "%", upper case
    char character;
};

const ValueCode kValueCodes[] = {{"20", ' '}, {"2B", '+'}, {"3D", '='}, {"26", '&'}, {"25", '%'}};

char UpperHex(char c) { return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::string DecodeSkitValue(const std::string& value) {
    std::string decoded;
    decoded.reserve(value.size());
    for (std::string::size_type i = 0; i < value.size(); ++i) {
        bool replaced = false;
        if (value[i] == '%' && i + 2 < value.size()) {
            const char high = UpperHex(value[i + 1]);
            const char low = UpperHex(value[i + 2]);
            for (const ValueCode& code : kValueCodes) {
                if (high == code.code[0] && low == code.code[1]) {
                    decoded += code.character;
                    // The decoded character is never read again: "%2520" is "%20", not a space.
                    i += 2;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            decoded += value[i];
        }
    }
    return decoded;
}

SkitArgs SkitArgs::Parse(const std::string& text) {
    SkitArgs args;
    std::string::size_type start = 0;
    while (start <= text.size()) {
        std::string::size_type end = text.find('&', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string piece = text.substr(start, end - start);
        const std::string::size_type equals = piece.find('=');
        if (equals != std::string::npos && equals > 0) {
            args.pairs_.emplace_back(piece.substr(0, equals), DecodeSkitValue(piece.substr(equals + 1)));
        }
        start = end + 1;
    }
    return args;
}

bool SkitArgs::Find(const std::string& name, std::string& value) const {
    for (auto it = pairs_.rbegin(); it != pairs_.rend(); ++it) {
        if (it->first == name) {
            value = it->second;
            return true;
        }
    }
    return false;
}

std::string MoviePathFor(const std::string& folder, const std::string& movieName) {
    if (!IsMovieFileName(movieName)) {
        throw EZolvaneError("The argument file names no movie of the skits folder: " + movieName.substr(0, 300));
    }
    return JoinPath(folder, movieName);
}
