// The program's help: one HTML page beside the program, opened in the program that the system
// associates with it, at its contents or at the topic of a help context.
//
// The page is plain HTML, so it opens on any Windows (there is no old help viewer to depend on) and under
// Wine. A topic is the element whose id is "context-N"; the contents are the top of the page.
#pragma once

#include <windows.h>

#include <string>

// command is HELP_CONTENTS (data ignored) or HELP_CONTEXT (data is the context number). Raises an
// EZolvaneError with the text to show when there is no help page or nothing can open it.
void OpenHelp(const std::string& helpFile, UINT command, DWORD data);
