#include "tools/skitplayer/SkitFile.h"

#include "support/DiskFile.h"
#include "support/Error.h"

std::string ReadSkitFile(const std::string& path, std::uint32_t largest, const std::string& what) {
    try {
        return ReadWholeFile(path, largest);
    } catch (const EZolvaneError& error) {
        throw EZolvaneError("The " + what + " cannot be read: " + error.what());
    }
}
