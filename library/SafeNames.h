// Checks on names and addresses that arrive in downloaded skit lists, and so may be hostile.
#pragma once

#include <string>

// A movie file name that names a file in one folder and nowhere else: not empty, no folder or drive
// separators, no wildcards or characters Windows forbids in names, not "." or "..", at most 255
// characters. Anything else is never joined to a folder.
bool IsSafeFileName(const std::string& name);

// An address the program may fetch or open: one that starts with http:// or https://.
bool IsWebAddress(const std::string& url);
