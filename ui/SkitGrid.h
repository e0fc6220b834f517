// What the settings dialog's skit grid shows and how a click changes a row: the cell texts, hints and
// text styles of each download state and play choice, and the click rules of the Download and Play
// columns. Portable, so that every rule is tested natively; the dialog draws and reads the mouse.
//
// A click in the Download column, by the row's download state:
//   available            scheduled, and played after the download
//   scheduled            back to what the catalogue holds (available when it holds scheduled too);
//                        back at available, not played
//   downloaded, failed   scheduled; "played" becomes "played after the download"
//   any other            nothing
// A click in the Play column, by the row's play choice:
//   not played           available: scheduled and played after the download; scheduled: played after
//                        the download; downloaded: played; any other: nothing
//   played (either way)  not played; the download state stays
#pragma once

#include "library/SkitCatalog.h"

#include <cstdint>
#include <string>

enum class GridColumn { Name, Download, Play };

// The row after a left click in the column. catalogState is the download state that the catalogue holds
// for the row's skit (the state from before the dialog's own edits).
GridRow ClickGridRow(GridRow row, GridColumn column, std::uint8_t catalogState);

// The texts of the Download and Play cells ("No", "Yes", "Done", ...).
std::string DownloadCellText(std::uint8_t state);
std::string PlayCellText(std::uint8_t play);
// The hints of the Download and Play cells; empty for a state that has none.
std::string DownloadHint(std::uint8_t state);
std::string PlayHint(std::uint8_t play);

// How a skit row's text is drawn, by its download state.
struct GridTextStyle {
    bool bold = false;
    std::uint8_t red = 0, green = 0, blue = 0;
};
GridTextStyle GridRowStyle(std::uint8_t state);
