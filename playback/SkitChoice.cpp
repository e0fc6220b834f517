#include "playback/SkitChoice.h"

namespace {

constexpr std::int32_t kDownloadingSkit = 1;
constexpr std::int32_t kNewListSkit = 2;
constexpr std::int32_t kChooseSkitsSkit = 3;
constexpr std::int32_t kIdleSkit = 4;

} // namespace

SpecialChoice ChooseSpecial(std::uint8_t syncMethod, int runCount, int regularScheduled, int regularAvailable,
                            bool listDue) {
    const bool second = runCount == 1;
    SpecialChoice choice;
    switch (syncMethod) {
    case smAutomatic:
        if (second && (regularScheduled > 0 || listDue)) {
            choice.special = kDownloadingSkit;
            choice.startDownload = true;
        }
        break;
    case smChooseFromList:
        if (regularAvailable > 0 && runCount > 0 && runCount % 5 == 0) {
            choice.special = kChooseSkitsSkit;
        } else if (second && listDue) {
            choice.special = kNewListSkit;
            choice.startDownload = true;
        }
        break;
    case smManual:
        if (second && listDue) {
            choice.special = kIdleSkit;
        }
        break;
    default:
        break;
    }
    return choice;
}

ShowChoice ChooseShowSkit(SkitCatalog& catalog, std::uint8_t syncMethod, int runCount) {
    const SpecialChoice special = ChooseSpecial(syncMethod, runCount, catalog.CountSkits(skRegular, dsScheduled),
                                                catalog.CountSkits(skRegular, dsAvailable), catalog.IsListUpdateDue());
    ShowChoice choice;
    choice.startDownload = special.startDownload;
    choice.file = special.special ? catalog.SkitFileName(skSpecial, *special.special) : catalog.ChooseNextSkit();
    if (!choice.file) {
        const std::int32_t fallback = special.startDownload || catalog.HasJob() ? kDownloadingSkit : kIdleSkit;
        choice.file = catalog.SkitFileName(skSpecial, fallback);
    }
    return choice;
}
