// The program's help: one HTML page beside the program, opened in the program that the system
// associates with it, at its contents or at the topic of a help context.
//
// The page is plain HTML, so it opens on any Windows (there is no old help viewer to depend on) and under
// Wine. A topic is the element whose id is "context-N"; the contents are the top of the page.
#pragma once

#include <windows.h>

#include <string>

// HELP_CONTEXT opens the topic of context data: the program that the system associates with the page
// gets the page's file:/// address with "#context-N", since the shell cannot pass a fragment with a file;
// without such a program the page opens at its top. HELP_CONTENTS and any other command open the page at
// its top (data is ignored). Raises an EZolvaneError with the text to show when helpFile is empty or names
// no file ("The help file ... is missing. You may need to reinstall this screensaver."), or with the
// system's text when nothing can open the page.
void OpenHelp(const std::string& helpFile, UINT command, DWORD data);

// Opens a file in the program that the system associates with it, with the parameters (none when empty).
// Raises an EZolvaneError with the system's text when that cannot be done (no such file, no program for
// it, ...).
void OpenDocument(const std::string& file, const std::string& parameters = "");
