// The skit grid's rules: every row of the click tables, and the texts, hints and styles of each state.
#include "ui/SkitGrid.h"

#include <gtest/gtest.h>

namespace {

GridRow Row(std::uint8_t state, std::uint8_t play) {
    GridRow row;
    row.id = 7;
    row.state = state;
    row.play = play;
    return row;
}

} // namespace

TEST(SkitGrid, AClickChangesTheRowAsTheTablesSay) {
    const struct {
        GridColumn column;
        std::uint8_t state, play, catalogState;
        std::uint8_t stateAfter, playAfter;
    } clicks[] = {
        // Download column.
        {GridColumn::Download, dsAvailable, pcNo, dsAvailable, dsScheduled, pcAfterDownload},
        {GridColumn::Download, dsScheduled, pcAfterDownload, dsScheduled, dsAvailable, pcNo},
        {GridColumn::Download, dsScheduled, pcAfterDownload, dsAvailable, dsAvailable, pcNo},
        {GridColumn::Download, dsScheduled, pcAfterDownload, dsDownloaded, dsDownloaded, pcAfterDownload},
        {GridColumn::Download, dsScheduled, pcYes, dsFailed, dsFailed, pcYes},
        {GridColumn::Download, dsDownloaded, pcYes, dsDownloaded, dsScheduled, pcAfterDownload},
        {GridColumn::Download, dsDownloaded, pcNo, dsDownloaded, dsScheduled, pcNo},
        {GridColumn::Download, dsFailed, pcYes, dsFailed, dsScheduled, pcAfterDownload},
        {GridColumn::Download, dsFailed, pcAfterDownload, dsFailed, dsScheduled, pcAfterDownload},
        {GridColumn::Download, dsRemove, pcYes, dsRemove, dsRemove, pcYes},
        {GridColumn::Download, 6, pcNo, 6, 6, pcNo},
        // Play column.
        {GridColumn::Play, dsAvailable, pcNo, dsAvailable, dsScheduled, pcAfterDownload},
        {GridColumn::Play, dsScheduled, pcNo, dsScheduled, dsScheduled, pcAfterDownload},
        {GridColumn::Play, dsDownloaded, pcNo, dsDownloaded, dsDownloaded, pcYes},
        {GridColumn::Play, dsFailed, pcNo, dsFailed, dsFailed, pcNo},
        {GridColumn::Play, dsRemove, pcNo, dsRemove, dsRemove, pcNo},
        {GridColumn::Play, dsScheduled, pcAfterDownload, dsScheduled, dsScheduled, pcNo},
        {GridColumn::Play, dsDownloaded, pcYes, dsDownloaded, dsDownloaded, pcNo},
        {GridColumn::Play, dsFailed, pcYes, dsFailed, dsFailed, pcNo},
        // Name column: nothing changes.
        {GridColumn::Name, dsAvailable, pcNo, dsAvailable, dsAvailable, pcNo},
    };
    for (const auto& click : clicks) {
        const GridRow after = ClickGridRow(Row(click.state, click.play), click.column, click.catalogState);
        EXPECT_EQ(after.state, click.stateAfter)
            << static_cast<int>(click.column) << " on " << int{click.state} << "/" << int{click.play};
        EXPECT_EQ(after.play, click.playAfter)
            << static_cast<int>(click.column) << " on " << int{click.state} << "/" << int{click.play};
        EXPECT_EQ(after.id, 7);
    }
}

TEST(SkitGrid, ASecondClickTakesAScheduledSkitBackToWhatTheCatalogueHolds) {
    for (const std::uint8_t held : {dsAvailable, dsDownloaded}) {
        const GridRow start = Row(held, held == dsDownloaded ? pcYes : pcNo);
        const GridRow twice = ClickGridRow(ClickGridRow(start, GridColumn::Download, held), GridColumn::Download, held);
        EXPECT_EQ(twice.state, held);
        EXPECT_EQ(twice.play, held == dsDownloaded ? pcAfterDownload : pcNo);
    }
}

TEST(SkitGrid, EachStateHasItsCellTextHintAndStyle) {
    const struct {
        std::uint8_t state;
        const char* text;
        const char* hint;
        bool bold;
        std::uint8_t red, green;
    } states[] = {
        {dsRemove, "-", "", false, 128, 128},
        {dsAvailable, "No", "Click here to schedule this skit to be downloaded.", false, 0, 128},
        {dsScheduled, "Yes", "This skit is scheduled to be downloaded.", true, 0, 128},
        {dsDownloaded, "Done", "This skit has already been downloaded to your computer.", false, 0, 0},
        {dsFailed, "Error", "This skit failed to download. Check the log for errors and click here to reschedule.",
         false, 128, 128},
        {5, "****", "", false, 128, 128},
        {6, "Delete", "", false, 128, 128},
    };
    for (const auto& s : states) {
        EXPECT_EQ(DownloadCellText(s.state), s.text) << int{s.state};
        EXPECT_EQ(DownloadHint(s.state), s.hint) << int{s.state};
        EXPECT_EQ(GridRowStyle(s.state).bold, s.bold) << int{s.state};
        EXPECT_EQ(GridRowStyle(s.state).red, s.red) << int{s.state};
        EXPECT_EQ(GridRowStyle(s.state).green, s.green) << int{s.state};
    }
    const struct {
        std::uint8_t play;
        const char* text;
        const char* hint;
    } plays[] = {
        {pcNo, "No", "This skit will not be played."},
        {pcAfterDownload, "Yes", "This skit will be played after it has been downloaded."},
        {pcYes, "Yes", "This skit will be played."},
        {9, "No", "This skit will not be played."},
    };
    for (const auto& p : plays) {
        EXPECT_EQ(PlayCellText(p.play), p.text) << int{p.play};
        EXPECT_EQ(PlayHint(p.play), p.hint) << int{p.play};
    }
}
