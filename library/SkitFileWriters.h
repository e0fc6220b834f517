// Writing ops files and skit lists whole: what an installer, a skit author and the tests need.
#pragma once

#include "library/SkitFormats.h"

#include <string>
#include <vector>

// A new ops file: the header and the records, and a PSTR for every text they carry. Text ids are
// given out afresh; a record has a key text when its key text is not empty.
void WriteOpsFile(const std::string& path, OpsHeader header, std::vector<SkitRecord> records);

// A new skit list: the header as SYNC 1, the skits as SKIT 1 to n, and their texts.
void WriteSyncFile(const std::string& path, SyncHeader header, std::vector<SkitRecord> skits);
