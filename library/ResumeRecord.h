// The record kept beside the partial file of a movie download that was broken off: the address it came
// from, the validator the server gave the file (its ETag, else its Last-Modified date) and the file's whole
// length. The next download of the same address asks only for the bytes the partial file lacks, and only
// while the server still has the same file.
//
// The record is a small text file, "<movie>.resume" in the download folder, of four lines each ended by a
// line feed:
//
//     Zolvane resume 1
//     url=http://skits.example/skits/sunrise.gif
//     validator="2f3a-18c4d2e1a90"
//     length=1048576
//
// The download folder is shared by every user of the machine, so a record is read only from a plain file
// of this user's own, with hard limits, and anything else in it makes it no record at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ResumeRecord {
    std::string url;
    std::string validator;
    std::uint32_t length = 0; // of the whole file
};

constexpr const char* kResumeRecordSuffix = ".resume";
// Room for the longest address and the other three lines; a larger file is no record.
constexpr std::uint32_t kMaxResumeRecordBytes = 4096;
// A validator longer than this, or with a character outside printable ASCII, is none the program keeps.
constexpr std::size_t kMaxValidatorText = 256;

inline std::string ResumeRecordPath(const std::string& localFile) { return localFile + kResumeRecordSuffix; }

// Whether a server's ETag or Last-Modified text can go back to it in an If-Range line: not empty, printable
// ASCII only (no line ends to smuggle further header lines in), at most kMaxValidatorText characters, and no
// weak ETag (W/"..."), which a server may not match a range against.
bool IsUsableValidator(const std::string& validator);

std::string FormatResumeRecord(const ResumeRecord& record);
// None unless the bytes are exactly a record as FormatResumeRecord writes them, with a web address, a
// usable validator and a length of 1 to 4294967295.
std::optional<ResumeRecord> ParseResumeRecord(const std::string& bytes);

// Reads the record at the path when it is a plain file of this user's own (sys::OpenOwnFile) of at most
// kMaxResumeRecordBytes; none otherwise.
std::optional<ResumeRecord> ReadResumeRecord(const std::string& path);
// Writes the record as a new file at the path, in place of whatever was there; false when it could not.
bool WriteResumeRecord(const std::string& path, const ResumeRecord& record);
