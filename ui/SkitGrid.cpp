#include "ui/SkitGrid.h"

#include <iterator>

namespace {

struct StateTexts {
    const char* cell;
    const char* hint;
};

// By download state 0 to 6. The catalogue never holds 5 or 6; their texts are the grid's all the same.
const StateTexts kDownloadTexts[] = {
    {"-", ""},
    {"No", "Click here to schedule this skit to be downloaded."},
    {"Yes", "This skit is scheduled to be downloaded."},
    {"Done", "This skit has already been downloaded to your computer."},
    {"Error", "This skit failed to download. Check the log for errors and click here to reschedule."},
    {"****", ""},
    {"Delete", ""},
};

// An available skit that the user wants: fetched, then played.
void ScheduleToPlay(GridRow& row) {
    row.state = dsScheduled;
    row.play = pcAfterDownload;
}

void ClickDownload(GridRow& row, std::uint8_t catalogState) {
    switch (row.state) {
    case dsAvailable:
        ScheduleToPlay(row);
        break;
    case dsScheduled:
        row.state = catalogState == dsScheduled ? static_cast<std::uint8_t>(dsAvailable) : catalogState;
        if (row.state == dsAvailable) {
            row.play = pcNo;
        }
        break;
    case dsDownloaded:
    case dsFailed:
        row.state = dsScheduled;
        if (row.play == pcYes) {
            row.play = pcAfterDownload;
        }
        break;
    default:
        break;
    }
}

void ClickPlay(GridRow& row) {
    if (row.play == pcAfterDownload || row.play == pcYes) {
        row.play = pcNo;
        return;
    }
    if (row.play != pcNo) {
        return;
    }
    switch (row.state) {
    case dsAvailable:
        ScheduleToPlay(row);
        break;
    case dsScheduled:
        row.play = pcAfterDownload;
        break;
    case dsDownloaded:
        row.play = pcYes;
        break;
    default:
        break;
    }
}

} // namespace

GridRow ClickGridRow(GridRow row, GridColumn column, std::uint8_t catalogState) {
    if (column == GridColumn::Download) {
        ClickDownload(row, catalogState);
    } else if (column == GridColumn::Play) {
        ClickPlay(row);
    }
    return row;
}

std::string DownloadCellText(std::uint8_t state) {
    return state < std::size(kDownloadTexts) ? kDownloadTexts[state].cell : "";
}

std::string DownloadHint(std::uint8_t state) {
    return state < std::size(kDownloadTexts) ? kDownloadTexts[state].hint : "";
}

std::string PlayCellText(std::uint8_t play) { return play == pcAfterDownload || play == pcYes ? "Yes" : "No"; }

std::string PlayHint(std::uint8_t play) {
    switch (play) {
    case pcAfterDownload:
        return "This skit will be played after it has been downloaded.";
    case pcYes:
        return "This skit will be played.";
    default:
        return "This skit will not be played.";
    }
}

GridTextStyle GridRowStyle(std::uint8_t state) {
    switch (state) {
    case dsAvailable:
        return {false, 0, 128, 0};
    case dsScheduled:
        return {true, 0, 128, 0};
    case dsDownloaded:
        return {false, 0, 0, 0};
    default:
        return {false, 128, 128, 128};
    }
}
