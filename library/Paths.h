// Splitting and joining paths. A backslash, a slash and a colon all end a folder.
#pragma once

#include <string>

// The folder is everything before the last separator and the name everything after it; the separator
// belongs to neither. Without a separator the folder is empty. Either output may be left out.
//   "C:\skits\a.swf" -> "C:\skits" and "a.swf";  "C:a.swf" -> "C" and "a.swf"
void SplitPath(const std::string& path, std::string* folder, std::string* name);

// The folder, a backslash unless the folder is shorter than two characters or already ends in a
// separator, then the name. An empty name gives the folder unchanged.
//   "C:\skits" + "a.swf" -> "C:\skits\a.swf";  "C:" + "a.swf" -> "C:a.swf";  "" + "a.swf" -> "a.swf"
std::string JoinPath(const std::string& folder, const std::string& name);

bool IsPathSeparator(char c);
