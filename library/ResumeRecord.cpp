#include "library/ResumeRecord.h"

#include "library/SafeNames.h"
#include "support/DiskFile.h"
#include "support/Error.h"

#include <vector>

namespace {

const char* const kFirstLine = "Zolvane resume 1";

// The value of a line "name=value", or none when the line is another.
std::optional<std::string> Field(const std::string& line, const std::string& name) {
    if (line.compare(0, name.size() + 1, name + "=") != 0) {
        return std::nullopt;
    }
    return line.substr(name.size() + 1);
}

std::optional<std::uint32_t> Length(const std::string& text) {
    if (text.empty() || text.size() > 10 || text[0] == '0' ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::uint64_t value = std::stoull(text);
    if (value > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace

bool IsUsableValidator(const std::string& validator) {
    if (validator.empty() || validator.size() > kMaxValidatorText || validator.compare(0, 2, "W/") == 0) {
        return false;
    }
    for (const char c : validator) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

std::string FormatResumeRecord(const ResumeRecord& record) {
    return std::string(kFirstLine) + "\nurl=" + record.url + "\nvalidator=" + record.validator +
           "\nlength=" + std::to_string(record.length) + "\n";
}

std::optional<ResumeRecord> ParseResumeRecord(const std::string& bytes) {
    if (bytes.size() > kMaxResumeRecordBytes || bytes.empty() || bytes.back() != '\n') {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        const std::string::size_type end = bytes.find('\n', start);
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() != 4 || lines[0] != kFirstLine) {
        return std::nullopt;
    }
    const std::optional<std::string> url = Field(lines[1], "url");
    const std::optional<std::string> validator = Field(lines[2], "validator");
    const std::optional<std::string> length = Field(lines[3], "length");
    if (!url || !IsWebAddress(*url) || !validator || !IsUsableValidator(*validator) || !length) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> value = Length(*length);
    if (!value) {
        return std::nullopt;
    }
    return ResumeRecord{*url, *validator, *value};
}

std::optional<ResumeRecord> ReadResumeRecord(const std::string& path) {
    const sys::UniqueFile file = sys::OpenOwnFile(path);
    if (!file) {
        return std::nullopt;
    }
    // One byte more than a record may have, so that a larger file shows as such.
    std::string bytes(kMaxResumeRecordBytes + 1, '\0');
    std::uint32_t done = 0;
    if (!sys::ReadBytes(file.Get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), done)) {
        return std::nullopt;
    }
    bytes.resize(done);
    return ParseResumeRecord(bytes);
}

bool WriteResumeRecord(const std::string& path, const ResumeRecord& record) {
    const std::string bytes = FormatResumeRecord(record);
    try {
        DiskFile file;
        file.CreateFresh(path, sys::kAttrNormal, 0);
        file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return true;
    } catch (const EZolvaneError&) {
        return false;
    }
}
