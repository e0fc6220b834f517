// The skit show as a user meets it: zolvane.scr on an installation with skits, playing them in our own
// test player, which writes down what it was given and what happened to it.
#include "support/LocalTime.h"
#include "tests/TestFiles.h"
#include "tests/app/ZolvaneProcess.h"
#include "tests/library/CatalogTestSupport.h"
#include "tests/net/NetTesting.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using namespace zolvane_process;

namespace {

constexpr const char* kSaverClass = "TScreensaverZolvane";
constexpr const char* kPlayerClass = "ZolvaneSkitPlayer";
// How long a show of several skits may take under Wine on a busy machine.
constexpr DWORD kShowPatience = 90000;
// What a skit's key does: pass the key to the player, or run the skit's command.
constexpr std::uint8_t kaPassKey = 1;
constexpr std::uint8_t kaCommand = 2;

// A movie that plays in under a second, and one that plays for minutes.
const char* const kShortMovie = SKITPLAYER_SAMPLES "\\short.gif";
const char* const kLongMovie = SKITPLAYER_SAMPLES "\\long.gif";

// A skit that is downloaded and chosen for play.
SkitRecord PlayableSkit(std::uint8_t kind, std::int32_t id, const std::string& fileName) {
    return catalog_testing::Downloaded(catalog_testing::Skit(kind, id, fileName));
}

// One value of the user's settings, taken away again at the end.
class UserSetting {
public:
    UserSetting(const char* name, DWORD value) : name_(name) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof value);
    }
    ~UserSetting() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, name_); }

private:
    static constexpr const char* kKey = "Software\\Osterwyn\\Zolvane";
    const char* name_;
};

std::string Today() {
    SYSTEMTIME today;
    GetLocalTime(&today);
    char text[32];
    std::snprintf(text, sizeof text, "SS_Month=%02d&SS_Day=%02d", today.wMonth, today.wDay);
    return text;
}

class SkitShow : public testing::Test {
protected:
    SkitShow() {
        Install(SKITPLAYER_EXE, installation_.Player());
        // The player writes its events where the test can read them; the screensaver passes the
        // variable on to every player it starts.
        SetEnvironmentVariableA("SKITPLAYER_LOG", log_.c_str());
        header_.listUrl.text = "http://127.0.0.1:9/skits.syn";
        header_.listFileName.text = "skits.syn";
        header_.listIntervalDays = 7;
        header_.lastListUpdate = NowAsLocalFileTime(); // no list is due
    }
    ~SkitShow() override {
        SetEnvironmentVariableA("SKITPLAYER_LOG", nullptr);
        // A player the show left running on purpose is not the next test's business.
        for (HWND player; (player = FindWindowA(kPlayerClass, nullptr)) != nullptr;) {
            DWORD id = 0;
            GetWindowThreadProcessId(player, &id);
            const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            TerminateProcess(process.Get(), 0);
            WaitForSingleObject(process.Get(), kPatience);
        }
    }

    void AddMovie(const char* sample, const std::string& name) { Install(sample, installation_.Skits() + "\\" + name); }

    HWND StartShow() {
        installation_.WriteOps(header_, records_);
        // The pointer must have arrived, and its movement been handled, before the screensaver notes
        // where it starts: a late movement from where the last test left it would end the show at once.
        SetCursorPos(400, 300);
        PumpUntil([] {
            POINT at{};
            GetCursorPos(&at);
            return at.x == 400 && at.y == 300;
        });
        PumpUntil([] { return false; }, 300);
        saver_.emplace(folder_, "/s");
        const HWND window = saver_->WaitForWindow(kSaverClass);
        EXPECT_NE(window, nullptr);
        return window;
    }

    std::vector<std::string> Log() const { return testing_files::ReadLines(log_); }

    std::vector<std::string> Started() const {
        std::vector<std::string> started;
        for (const std::string& line : Log()) {
            if (line.rfind("started ", 0) == 0) {
                started.push_back(line.substr(8));
            }
        }
        return started;
    }

    bool WaitForStarts(std::size_t count) {
        return PumpUntil([&] { return Started().size() >= count; }, kShowPatience);
    }
    bool WaitForLogLine(const std::string& wanted) {
        return PumpUntil(
            [&] {
                for (const std::string& line : Log()) {
                    if (line == wanted) {
                        return true;
                    }
                }
                return false;
            },
            kShowPatience);
    }
    // Starts the show on one long skit with a key of its own, and waits until its player shows.
    HWND StartKeyedSkit(char key, std::uint8_t action, const std::string& text) {
        AddMovie(kLongMovie, "long.gif");
        SkitRecord keyed = PlayableSkit(skRegular, 1, "long.gif");
        keyed.keyCode = key;
        keyed.keyAction = action;
        keyed.keyText.text = text;
        records_ = {keyed};
        const HWND window = StartShow();
        EXPECT_TRUE(WaitForStarts(1));
        EXPECT_TRUE(WaitForPlayerWindow());
        EXPECT_TRUE(WaitForSkitInFront());
        return window;
    }

    bool WaitForPlayerWindow() {
        return PumpUntil([] {
            const HWND player = FindWindowA(kPlayerClass, nullptr);
            return player != nullptr && IsWindowVisible(player);
        });
    }
    // The show has found the player's window and put it on top: the skit plays, and its key counts.
    bool WaitForSkitInFront() {
        return PumpUntil([] {
            const HWND player = FindWindowA(kPlayerClass, nullptr);
            return player != nullptr && (GetWindowLongA(player, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        });
    }
    bool Logged(const std::string& wanted) const {
        for (const std::string& line : Log()) {
            if (line == wanted) {
                return true;
            }
        }
        return false;
    }

    ScratchFolder folder_;
    Installation installation_{folder_};
    std::string log_ = folder_ / "player-events.log";
    OpsHeader header_;
    std::vector<SkitRecord> records_;
    std::optional<ZolvaneProcess> saver_;
};

} // namespace

// The second skit is a video, played to its end between the two GIFs.
TEST_F(SkitShow, PlaysTheRegularSkitsInTurnWithTheirArgumentFilesAVideoAmongThem) {
    AddMovie(kShortMovie, "a.gif");
    AddMovie(SKITPLAYER_SAMPLES "\\redblue.mp4", "b b.mp4");
    AddMovie(kShortMovie, "c+d.gif");
    records_ = {PlayableSkit(skRegular, 1, "a.gif"), PlayableSkit(skRegular, 2, "b b.mp4"),
                PlayableSkit(skRegular, 3, "c+d.gif")};
    const UserSetting soundOnce("Sound", 1);
    const UserSetting manual("SyncMethod", 2);
    const std::string today = Today();
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStarts(4)) << Log().size() << " lines logged";
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver_->WaitForExit());

    const std::vector<std::string> started = Started();
    ASSERT_GE(started.size(), 4u);
    EXPECT_EQ(started[0], "SS_RunCount=0&SS_Sound=0&" + today + "&SS_Swf=a.gif");
    EXPECT_EQ(started[1], "SS_RunCount=1&SS_Sound=1&" + today + "&SS_Swf=b%20b.mp4");
    EXPECT_EQ(started[2], "SS_RunCount=2&SS_Sound=1&" + today + "&SS_Swf=c%2Bd.gif");
    EXPECT_EQ(started[3], "SS_RunCount=3&SS_Sound=1&" + today + "&SS_Swf=a.gif");
    // Each skit started only after the one before it had ended.
    const std::vector<std::string> log = Log();
    for (std::size_t i = 0; i + 1 < log.size(); ++i) {
        if (log[i + 1].rfind("started ", 0) == 0) {
            EXPECT_EQ(log[i], "ended") << "line " << i;
        }
    }
}

TEST_F(SkitShow, WithNothingEligibleSpecialSkitFourPlays) {
    AddMovie(kShortMovie, "idle.gif");
    SkitRecord notDownloaded = PlayableSkit(skRegular, 1, "missing.gif");
    notDownloaded.state = dsAvailable;
    records_ = {notDownloaded, PlayableSkit(skSpecial, 4, "idle.gif")};
    const UserSetting manual("SyncMethod", 2);
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStarts(2));
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver_->WaitForExit());
    EXPECT_NE(Started()[0].find("SS_RunCount=0&"), std::string::npos);
    EXPECT_NE(Started()[0].find("&SS_Swf=idle.gif"), std::string::npos);
    EXPECT_NE(Started()[1].find("&SS_Swf=idle.gif"), std::string::npos);
}

TEST_F(SkitShow, ChoosingFromAListShowsSpecialSkitThreeAfterFiveStarts) {
    AddMovie(kShortMovie, "regular.gif");
    AddMovie(kShortMovie, "on-offer.gif");
    SkitRecord offered = PlayableSkit(skRegular, 2, "offered.gif");
    offered.state = dsAvailable;
    records_ = {PlayableSkit(skRegular, 1, "regular.gif"), offered, PlayableSkit(skSpecial, 3, "on-offer.gif")};
    const UserSetting chooseFromList("SyncMethod", 1);
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStarts(7));
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver_->WaitForExit());
    const std::vector<std::string> started = Started();
    for (std::size_t i = 0; i < 7; ++i) {
        const char* expected = i == 5 ? "&SS_Swf=on-offer.gif" : "&SS_Swf=regular.gif";
        EXPECT_NE(started[i].find(expected), std::string::npos) << i << ": " << started[i];
    }
}

TEST_F(SkitShow, MovingTheMouseEndsTheScreensaverAndClosesThePlayer) {
    AddMovie(kLongMovie, "long.gif");
    records_ = {PlayableSkit(skRegular, 1, "long.gif")};
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStarts(1));
    ASSERT_TRUE(WaitForPlayerWindow()) << "the player's window";
    // The black backdrop behind the player covers what the screensaver window covers.
    const HWND backdrop = FindWindowA("ScreensaverZolvaneBackdrop", nullptr);
    ASSERT_NE(backdrop, nullptr);
    RECT covered{};
    RECT behind{};
    GetWindowRect(window, &covered);
    GetWindowRect(backdrop, &behind);
    EXPECT_TRUE(EqualRect(&covered, &behind));
    // Once the skit's window lies over the screensaver's, the pointer still ends it.
    ASSERT_TRUE(PumpUntil([] {
        char name[64] = "";
        GetClassNameA(WindowFromPoint(POINT{420, 300}), name, sizeof name);
        return std::string(name) == kPlayerClass;
    })) << "the skit never came to the front";
    // The program is given half a second to finish the skit's start, as a user's hand would: under Wine
    // a movement in the same instant can reach it before its own start has settled where it measures from.
    PumpUntil([] { return false; }, 500);
    testing_windows::MovePointerAsAMouse(400 + 20, 300);
    EXPECT_TRUE(saver_->WaitForExit());
    EXPECT_EQ(saver_->ExitCode(), 0u);
    EXPECT_TRUE(WaitForLogLine("closed"));
}

TEST_F(SkitShow, TheSkitsOwnKeyReachesThePlayerWhichIsLeftRunning) {
    const HWND window = StartKeyedSkit('A', kaPassKey, "unused");
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(saver_->WaitForExit());
    EXPECT_TRUE(WaitForLogLine("key 65"));
    EXPECT_NE(FindWindowA(kPlayerClass, nullptr), nullptr) << "the player should still run";
    EXPECT_FALSE(Logged("closed"));
}

TEST_F(SkitShow, ThePlayerLeftRunningBecomesTheUsersAndClosesOnEscape) {
    const HWND window = StartKeyedSkit('A', kaPassKey, "unused");
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(saver_->WaitForExit());
    ASSERT_TRUE(WaitForLogLine("left")) << testing::PrintToString(Log());
    const HWND player = FindWindowA(kPlayerClass, nullptr);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(GetWindowLongA(player, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(GetWindowLongA(player, GWL_EXSTYLE) & WS_EX_TOPMOST);
    PostMessageA(player, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitForLogLine("closed"));
}

// The key that counts is that of the skit that plays, here special skit 4, not that of the regular skit
// that the catalogue picked before it.
TEST_F(SkitShow, TheKeyOfTheSpecialSkitThatPlaysIsAnswered) {
    AddMovie(kShortMovie, "regular.gif");
    AddMovie(kLongMovie, "special.gif");
    SkitRecord regular = PlayableSkit(skRegular, 1, "regular.gif");
    regular.keyCode = 'R';
    regular.keyAction = kaPassKey;
    SkitRecord special = PlayableSkit(skSpecial, 4, "special.gif");
    special.keyCode = 'S';
    special.keyAction = kaPassKey;
    records_ = {regular, special};
    // With a due list, the manual method's second choice is special skit 4.
    header_.lastListUpdate = 0;
    const UserSetting manual("SyncMethod", 2);
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStarts(2));
    ASSERT_NE(Started()[1].find("&SS_Swf=special.gif"), std::string::npos) << Started()[1];
    ASSERT_TRUE(WaitForPlayerWindow());
    ASSERT_TRUE(WaitForSkitInFront());
    PostMessageA(window, WM_KEYDOWN, 'S', 0);
    EXPECT_TRUE(saver_->WaitForExit());
    EXPECT_TRUE(WaitForLogLine("key 83"));
    EXPECT_FALSE(Logged("closed"));
}

TEST_F(SkitShow, AnyOtherKeyQuitsAtOnceAndLeavesThePlayerAlone) {
    const HWND window = StartKeyedSkit('A', kaPassKey, "unused");
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'B', 0);
    EXPECT_TRUE(saver_->WaitForExit());
    EXPECT_FALSE(Logged("key 66"));
    EXPECT_FALSE(Logged("closed"));
}

TEST_F(SkitShow, ACommandKeyRunsNothingButAWebAddress) {
    const HWND window = StartKeyedSkit('C', kaCommand, "C:\\windows\\system32\\notepad.exe");
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'C', 0);
    // The skit is stopped for the command; with nothing of ours left running, the program ends.
    EXPECT_TRUE(WaitForLogLine("closed"));
    EXPECT_TRUE(saver_->WaitForExit());

    const std::string ini = folder_ / "zolvane.ini";
    char value[256] = "";
    GetPrivateProfileStringA("ShellExecute", "Command", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ(value, "C:\\windows\\system32\\notepad.exe");
    GetPrivateProfileStringA("ShellExecute", "ShellExecute", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ(value, "Refused: not a web address.");
    EXPECT_EQ(FindWindowA("Notepad", nullptr), nullptr);
}

// ---- A player that is slow to start ------------------------------------------------------------------

namespace {

// The show on one skit, in a player that sleeps where it would make its window.
class SlowPlayerShow : public SkitShow {
protected:
    SlowPlayerShow() {
        Install(SLOW_PLAYER_EXE, installation_.Player());
        AddMovie(kLongMovie, "long.gif");
        records_ = {PlayableSkit(skRegular, 1, "long.gif")};
    }
    ~SlowPlayerShow() override {
        for (const DWORD id : Waiting()) {
            const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            TerminateProcess(process.Get(), 0);
        }
    }

    // The process ids of the slow players started so far.
    std::vector<DWORD> Waiting() const {
        std::vector<DWORD> ids;
        for (const std::string& line : Log()) {
            if (line.rfind("waiting ", 0) == 0) {
                ids.push_back(static_cast<DWORD>(std::stoul(line.substr(8))));
            }
        }
        return ids;
    }
    // The first slow player's process, once it has started.
    UniqueHandle FirstPlayer() {
        EXPECT_TRUE(PumpUntil([&] { return !Waiting().empty(); }, kShowPatience)) << "no player started";
        return UniqueHandle(Waiting().empty() ? nullptr : OpenProcess(SYNCHRONIZE, FALSE, Waiting()[0]));
    }
};

bool Ends(const UniqueHandle& process, DWORD timeoutMs) {
    return process && PumpUntil([&] { return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; }, timeoutMs);
}

} // namespace

// The window answers while the player gets ready: a movement ends the screensaver at once, where a wait
// for the player would have kept it for seconds. The player, never seen, is ended with it.
TEST_F(SlowPlayerShow, AMovementWhileThePlayerStartsEndsTheScreensaverAtOnce) {
    ASSERT_NE(StartShow(), nullptr);
    const UniqueHandle player = FirstPlayer();
    ASSERT_TRUE(player);
    const ULONGLONG moved = GetTickCount64();
    testing_windows::MovePointerAsAMouse(400 + 20, 300);
    ASSERT_TRUE(saver_->WaitForExit());
    EXPECT_LT(GetTickCount64() - moved, 2500u) << "the screensaver did not answer the pointer while the player started";
    EXPECT_TRUE(Ends(player, kPatience)) << "the player the show started is still running";
}

// A player whose window does not show in time is ended, so that the next error pass does not start a
// second one beside it.
TEST_F(SlowPlayerShow, APlayerWhoseWindowDoesNotShowInTimeIsEnded) {
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    const UniqueHandle player = FirstPlayer();
    ASSERT_TRUE(player);
    EXPECT_TRUE(Ends(player, 20000)) << "the player is still running";
    EXPECT_EQ(Waiting().size(), 1u);
    EXPECT_TRUE(saver_->StillRunningAfter(0)) << "the screensaver ended";
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver_->WaitForExit());
}

// ---- Downloads during the show, from the skit server ------------------------------------------------

namespace {

class ShowDownloads : public SkitShow {
protected:
    ShowDownloads() {
        // The list is due, and special skit 1 plays while it downloads.
        header_.lastListUpdate = 0;
        header_.listUrl.text = net_testing::ServerUrl(served_.At("skits.syn"));
        AddMovie(kShortMovie, "fetching.gif");
        AddMovie(kShortMovie, "old.gif");
        records_ = {PlayableSkit(skRegular, 1, "old.gif"), PlayableSkit(skSpecial, 1, "fetching.gif")};
        served_.Put("new.gif", ReadFile(kShortMovie));
    }

    // The list offers one new skit, fetched from the server at the path.
    void OfferNewSkit(const std::string& path) {
        SkitRecord fresh = catalog_testing::Skit(skRegular, 7, "new.gif");
        fresh.url.text = net_testing::ServerUrl(path);
        SyncHeader header;
        header.listVersion = 2;
        header.listUrl.text = header_.listUrl.text;
        header.listIntervalDays = 7;
        WriteSyncFile(served_.OnDisk("skits.syn"), header, {fresh});
    }

    // The new skit's state in the ops file that the program left behind.
    std::uint8_t NewSkitState() const {
        catalog_testing::FakeEnvironment environment;
        environment.opsFile = installation_.OpsFile();
        environment.skits = installation_.Skits();
        environment.downloads = installation_.Downloads();
        environment.now = NowAsLocalFileTime();
        const SkitCatalog catalog(environment, DownloadJobFactory(), true);
        return catalog.SkitState(skRegular, 7);
    }
    std::vector<std::string> DownloadLog() const { return testing_files::ReadLines(installation_.DownloadLog()); }

    const UserSetting automatic_{"SyncMethod", 0};
    net_testing::ServedFolder served_;
};

} // namespace

TEST_F(ShowDownloads, TheSecondChoicePlaysSpecialOneFetchesTheListAndItsSkitPlaysLater) {
    OfferNewSkit(served_.At("new.gif"));
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    const std::string landed = installation_.Skits() + "\\new.gif";
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const std::string& start : Started()) {
                if (start.find("&SS_Swf=new.gif") != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        kShowPatience))
        << Log().size() << " lines logged";
    EXPECT_EQ(ReadFile(landed), ReadFile(kShortMovie));
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver_->WaitForExit());

    const std::vector<std::string> started = Started();
    ASSERT_GE(started.size(), 3u);
    EXPECT_NE(started[0].find("&SS_Swf=old.gif"), std::string::npos) << started[0];
    EXPECT_NE(started[1].find("&SS_Swf=fetching.gif"), std::string::npos) << started[1];
    const std::vector<std::string> log = DownloadLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("Download success: Skit list"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("Download success: Skit 7"), std::string::npos) << log[1];
    EXPECT_EQ(NewSkitState(), dsDownloaded);
}

TEST_F(ShowDownloads, EndingTheScreensaverDuringADownloadShowsTheProgressUntilItIsDone) {
    // The movie comes slowly: in about six seconds.
    OfferNewSkit(served_.At("new.gif") + "?fault=drip&chunk=64&delay=300");
    const HWND window = StartShow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return DownloadLog().size() == 1; }, kShowPatience)) << "the list never arrived";
    testing_windows::MovePointerAsAMouse(400 + 20, 300);

    HWND progress = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        progress = FindWindowA("TWindStatus", nullptr);
        return progress != nullptr && IsWindowVisible(progress) && !IsWindowVisible(window);
    })) << "no progress window in place of the screensaver";
    EXPECT_EQ(TextOf(progress), "Zolvane Download Progress");
    EXPECT_TRUE(saver_->WaitForExit());
    EXPECT_EQ(saver_->ExitCode(), 0u);
    const std::vector<std::string> log = DownloadLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[1].find("Download success: Skit 7"), std::string::npos) << log[1];
    EXPECT_EQ(ReadFile(installation_.Skits() + "\\new.gif"), ReadFile(kShortMovie));
    EXPECT_EQ(NewSkitState(), dsDownloaded);
}
