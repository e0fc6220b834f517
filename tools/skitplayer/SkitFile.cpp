#include "tools/skitplayer/SkitFile.h"

#include "support/DiskFile.h"
#include "support/Error.h"

std::string ReadSkitFile(const std::string& path, std::uint32_t largest, const std::string& what) {
    try {
        DiskFile file;
        file.Open(path, sys::kGenericRead, sys::kShareRead);
        const std::uint32_t size = file.Size();
        if (size > largest) {
            throw EZolvaneError("It is larger than " + std::to_string(largest) + " bytes. " + path);
        }
        std::string bytes(size, '\0');
        bytes.resize(size > 0 ? file.Read(bytes.data(), size) : 0);
        return bytes;
    } catch (const EZolvaneError& error) {
        throw EZolvaneError("The " + what + " cannot be read: " + error.what());
    }
}
