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

ShowChoice ChooseShowSkit(SkitCatalog& catalog, std::uint8_t syncMethod, int runCount, const ConnectionCost& cost,
                          bool downloadOnMetered) {
    SpecialChoice special = ChooseSpecial(syncMethod, runCount, catalog.CountSkits(skRegular, dsScheduled),
                                          catalog.CountSkits(skRegular, dsAvailable), catalog.IsListUpdateDue());
    ShowChoice choice;
    if (special.startDownload && AutomaticDownloadsWait(cost, downloadOnMetered)) {
        special = SpecialChoice();
        choice.downloadWaits = true;
    }
    choice.startDownload = special.startDownload;
    if (special.special) {
        choice.file = catalog.SkitFileName(skSpecial, *special.special);
        choice.kind = skSpecial;
        choice.id = *special.special;
    } else if ((choice.file = catalog.ChooseNextSkit())) {
        const SkitRecord* const picked = catalog.CurrentSkit();
        choice.kind = picked != nullptr ? picked->kind : static_cast<std::uint8_t>(skRegular);
        choice.id = picked != nullptr ? picked->id : 0;
    }
    if (!choice.file) {
        const std::int32_t fallback = special.startDownload || catalog.HasJob() ? kDownloadingSkit : kIdleSkit;
        choice.file = catalog.SkitFileName(skSpecial, fallback);
        choice.kind = skSpecial;
        choice.id = fallback;
    }
    return choice;
}
