// Checks on names and addresses that arrive in downloaded skit lists, and so may be hostile.
#pragma once

#include <string>

// A movie file name that names a file in one folder and nowhere else: not empty, no folder or drive
// separators, no wildcards, stream separators or characters Windows forbids in names, not only dots,
// no blank at either end or dot at the end, not a device name such as CON or com1.gif, at most 255
// characters. Anything else is never joined to a folder.
bool IsSafeFileName(const std::string& name);

// An address the program may fetch or open: one that starts with http:// or https://, names a host,
// holds only characters that an address may hold (no blanks, quotes, angle brackets, backslashes or
// control characters) and is at most 2083 characters long.
bool IsWebAddress(const std::string& url);
