// Loading the system's own DLLs from the system folder and from nowhere else.
//
// A DLL asked for by its bare name is otherwise looked for in the program's folder, the current folder
// and every folder on PATH as well, wherever the system folder lacks it: a DLL of that name planted in
// one of them would run as the user. The screensaver asks for DLLs that many systems lack
// (PASSWORD.CPL), and Windows loads more of its own on the program's behalf later on.
#pragma once

#include "support/WinHandles.h"

#include <string>

// Called first thing in a program: from then on the DLLs that the program and the system load for it
// come from the system folder. Where the system cannot be told that (Windows 7 and older without the
// update that brings SetDefaultDllDirectories), it takes the current folder out of the search instead.
void LoadLibrariesFromSystemOnly();

// The DLL of that bare file name ("MPR.DLL") from the system folder; none when the system folder has no
// such DLL or it does not load. Never looked for anywhere else.
UniqueModule LoadSystemLibrary(const char* name);

// The full path of the file of that name in the system folder; empty when the system does not say where
// its folder is.
std::string SystemFolderFile(const char* name);
