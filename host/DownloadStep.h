// The end of one download of a sequence, as the windows that start sequences (the show and the settings
// dialog) hand it to the skit catalogue.
#pragma once

#include <windows.h>

class SkitCatalog;

// Tells the catalogue that a download has ended (failed: it failed or was cancelled). An error that the
// catalogue raises (a skit list it cannot merge, say) is shown in a box owned by the window, as
// "Error downloading <name>. <text>" or "An unknown error occurred while downloading <name>.", and ends the
// sequence unless a download still runs. True while another download of the sequence runs.
bool FinishDownloadStep(HWND owner, SkitCatalog& library, bool failed);
