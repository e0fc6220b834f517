#include "host/DownloadStep.h"

#include "gui/Application.h"
#include "library/SkitCatalog.h"
#include "support/MessageBoxes.h"

#include <exception>
#include <string>

bool FinishDownloadStep(HWND owner, SkitCatalog& library, bool failed) {
    // Named before the catalogue hears of it: a failure there ends the sequence, and the name with it.
    const std::string name = library.CurrentDownloadName();
    try {
        return library.OnDownloadDone(failed);
    } catch (const std::exception& error) {
        ShowMessageBox(owner, "Error downloading " + name + ". " + error.what(), Application().Title(), MB_OK);
    } catch (...) {
        ShowMessageBox(owner, "An unknown error occurred while downloading " + name + ".", Application().Title(),
                       MB_OK);
    }
    return library.HasJob();
}

void ShowSequenceProgress(DownloadProgress& display, const SkitCatalog& library) {
    const DownloadJob* job = library.Job();
    if (job == nullptr) {
        return;
    }
    const DownloadSnapshot snapshot = job->Snapshot();
    display.SetActivityText(snapshot.statusText);
    display.SetBarProgress(0, library.DownloadsPlanned() * 100,
                           SequenceProgress(library.DownloadsDone(), snapshot.bytesDone, snapshot.bytesTotal));
}

void CancelSequence(const SkitCatalog& library) {
    if (DownloadJob* job = library.Job()) {
        job->Cancel();
    }
}
