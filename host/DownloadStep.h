// What the windows that start download sequences (the show and the settings dialog) share: filling the
// progress display from the job's snapshot, the cancel, and handing the end of one download to the skit
// catalogue. Neither reaches the download manager itself.
#pragma once

#include "host/DownloadProgress.h"

#include <windows.h>

class SkitCatalog;

// Fills the display from the sequence under way: the activity text and the bar, 0 to 100 for each
// planned download. Leaves it as it is when no download runs (also while the last one's job goes).
void ShowSequenceProgress(DownloadProgress& display, const SkitCatalog& library);

// The user confirmed a cancel: the download under way stops, and its message still comes, as a failure.
void CancelSequence(const SkitCatalog& library);

// Tells the catalogue that a download has ended (failed: it failed or was cancelled). An error that the
// catalogue raises (a skit list it cannot merge, say) is shown in a box owned by the window, as
// "Error downloading <name>. <text>" or "An unknown error occurred while downloading <name>.", and ends the
// sequence unless a download still runs. True while another download of the sequence runs.
bool FinishDownloadStep(HWND owner, SkitCatalog& library, bool failed);
