// The settings against the real registry of the test's Wine prefix.
#include "host/Settings.h"

#include "gui/Application.h"
#include "support/MessageBoxes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kKey = "Software\\Osterwyn\\Zolvane";

struct Box {
    std::string text;
    std::string caption;
    UINT type;
};

// Both settings keys removed before and after each test; message boxes noted instead of shown.
class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        RemoveKeys();
        previous_ = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string& caption, UINT type) {
            boxes.push_back({text, caption, type});
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxHandler(previous_);
        RemoveKeys();
    }

    static void RemoveKeys() {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    }
    static void SetNumber(HKEY root, const char* name, DWORD value) {
        ASSERT_EQ(RegSetKeyValueA(root, kKey, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
    }
    static void SetText(HKEY root, const char* name, const std::string& value, DWORD type = REG_SZ) {
        ASSERT_EQ(RegSetKeyValueA(root, kKey, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
    }
    static bool KeyExists(HKEY root) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    std::vector<Box> boxes;

private:
    MessageBoxHandler previous_;
};

} // namespace

TEST_F(SettingsTest, NoKeyGivesTheDefaults) {
    TSettings settings;
    EXPECT_EQ(settings.Player, "");
    EXPECT_EQ(settings.SkitsPath, "");
    EXPECT_EQ(settings.OpsFilePath, "");
    EXPECT_EQ(settings.DownloadPath, "");
    EXPECT_EQ(settings.HelpFilePath, "");
    EXPECT_EQ(settings.LogPath, "");
    EXPECT_EQ(settings.Sound, sndAlways);
    EXPECT_EQ(settings.SyncMethod, smAutomatic);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsTest, ThePathsComeFromTheMachineAsStored) {
    SetText(HKEY_LOCAL_MACHINE, "Player", "C:\\Zolvane\\player.exe");
    SetText(HKEY_LOCAL_MACHINE, "SkitsPath", "%ProgramFiles%\\Zolvane\\Skits", REG_EXPAND_SZ);
    SetText(HKEY_LOCAL_MACHINE, "OpsFilePath", "C:\\Zolvane\\zolvane.ops");
    SetText(HKEY_LOCAL_MACHINE, "DownloadPath", "C:\\Zolvane\\Download");
    SetText(HKEY_LOCAL_MACHINE, "HelpFilePath", "C:\\Zolvane\\zolvane.hlp");
    SetText(HKEY_LOCAL_MACHINE, "LogPath", "C:\\Zolvane\\download.log");
    // The user's key has no say over the paths.
    SetText(HKEY_CURRENT_USER, "Player", "C:\\elsewhere.exe");

    TSettings settings;
    EXPECT_EQ(settings.Player, "C:\\Zolvane\\player.exe");
    EXPECT_EQ(settings.SkitsPath, "%ProgramFiles%\\Zolvane\\Skits");
    EXPECT_EQ(settings.OpsFilePath, "C:\\Zolvane\\zolvane.ops");
    EXPECT_EQ(settings.DownloadPath, "C:\\Zolvane\\Download");
    EXPECT_EQ(settings.HelpFilePath, "C:\\Zolvane\\zolvane.hlp");
    EXPECT_EQ(settings.LogPath, "C:\\Zolvane\\download.log");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsTest, TheNumbersKeepTheirLowEightBits) {
    SetNumber(HKEY_CURRENT_USER, "Sound", 258);
    SetNumber(HKEY_CURRENT_USER, "SyncMethod", 0x101);
    TSettings settings;
    EXPECT_EQ(settings.Sound, sndNever);
    EXPECT_EQ(settings.SyncMethod, smChooseFromList);
}

TEST_F(SettingsTest, SoundWithoutSyncMethodLeavesSyncMethodAtAutomatic) {
    SetNumber(HKEY_CURRENT_USER, "Sound", 1);
    TSettings settings;
    EXPECT_EQ(settings.Sound, sndOnce);
    EXPECT_EQ(settings.SyncMethod, smAutomatic);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsTest, ASoundStoredAsTextShowsTheTypeErrorAndLeavesBothNumbersAtZero) {
    SetText(HKEY_CURRENT_USER, "Sound", "2");
    SetNumber(HKEY_CURRENT_USER, "SyncMethod", 2);
    TSettings settings;
    EXPECT_EQ(settings.Sound, sndAlways);
    EXPECT_EQ(settings.SyncMethod, smAutomatic);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Exception reading registry! Invalid data type for 'Sound'");
    EXPECT_EQ(boxes[0].caption, Application().Title());
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(SettingsTest, APathOfTheWrongTypeStopsTheLoadingThereAndKeepsWhatCameBefore) {
    SetText(HKEY_LOCAL_MACHINE, "Player", "C:\\player.exe");
    SetNumber(HKEY_LOCAL_MACHINE, "SkitsPath", 5);
    SetText(HKEY_LOCAL_MACHINE, "OpsFilePath", "C:\\zolvane.ops");
    SetNumber(HKEY_CURRENT_USER, "Sound", 2);
    TSettings settings;
    EXPECT_EQ(settings.Player, "C:\\player.exe");
    EXPECT_EQ(settings.SkitsPath, "");
    EXPECT_EQ(settings.OpsFilePath, "");
    EXPECT_EQ(settings.Sound, sndAlways);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Exception reading registry! Invalid data type for 'SkitsPath'");
}

TEST_F(SettingsTest, SavingCreatesTheUsersKeyAndNeverTouchesTheMachineWideOne) {
    SetText(HKEY_LOCAL_MACHINE, "Player", "C:\\player.exe");
    TSettings settings;
    settings.Sound = sndNever;
    settings.SyncMethod = smManual;
    settings.Player = "C:\\changed.exe";
    settings.Save();

    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kKey, "Sound", RRF_RT_ANY, &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 2u);
    size = sizeof value;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kKey, "SyncMethod", RRF_RT_ANY, &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 2u);
    EXPECT_NE(RegGetValueA(HKEY_CURRENT_USER, kKey, "Player", RRF_RT_ANY, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    char player[64] = "";
    DWORD playerSize = sizeof player;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kKey, "Player", RRF_RT_REG_SZ, nullptr, player, &playerSize),
              ERROR_SUCCESS);
    EXPECT_STREQ(player, "C:\\player.exe");
    EXPECT_NE(RegGetValueA(HKEY_LOCAL_MACHINE, kKey, "Sound", RRF_RT_ANY, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    // What was saved is what the next run loads.
    TSettings reloaded;
    EXPECT_EQ(reloaded.Sound, sndNever);
    EXPECT_EQ(reloaded.SyncMethod, smManual);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsTest, SavingWithoutAMachineKeyCreatesNone) {
    TSettings settings;
    settings.Save();
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE));
}

// A key that cannot be made (here: below a volatile key, which takes volatile keys only) is an error the
// settings dialog shows, not a save that silently did nothing.
TEST_F(SettingsTest, SavingWhereTheUsersKeyCannotBeMadeRaises) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Osterwyn");
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Osterwyn", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
    TSettings settings;
    try {
        settings.Save();
        ADD_FAILURE() << "the save raised nothing";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(),
                     "The settings key HKEY_CURRENT_USER\\Software\\Osterwyn\\Zolvane cannot be opened or created.");
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER));
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Osterwyn");
}

// Only a nonzero number lets automatic downloads use a metered connection; anything else is no, without a
// box, and the user's other choices load as ever.
TEST_F(SettingsTest, DownloadOnMeteredIsYesForANonzeroNumberOnly) {
    const struct {
        const char* label;
        DWORD type; // 0: no value
        std::string bytes;
        bool expected;
    } rows[] = {
        {"missing", 0, "", false},
        {"0", REG_DWORD, std::string("\0\0\0\0", 4), false},
        {"1", REG_DWORD, std::string("\1\0\0\0", 4), true},
        {"258", REG_DWORD, std::string("\2\1\0\0", 4), true},
        {"text", REG_SZ, std::string("1\0", 2), false},
        {"two bytes", REG_BINARY, std::string("\1\0", 2), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        RemoveKeys();
        SetNumber(HKEY_CURRENT_USER, "Sound", 2);
        if (row.type != 0) {
            ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "DownloadOnMetered", row.type, row.bytes.data(),
                                      static_cast<DWORD>(row.bytes.size())),
                      ERROR_SUCCESS);
        }
        TSettings settings;
        EXPECT_EQ(settings.DownloadOnMetered, row.expected);
        EXPECT_EQ(settings.Sound, sndNever);
    }
    EXPECT_TRUE(boxes.empty());
}

// The dialog does not edit it, so its save neither writes it nor takes it away.
TEST_F(SettingsTest, SavingLeavesDownloadOnMeteredAsItIs) {
    TSettings settings;
    settings.DownloadOnMetered = true;
    settings.Save();
    EXPECT_NE(RegGetValueA(HKEY_CURRENT_USER, kKey, "DownloadOnMetered", RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);

    SetNumber(HKEY_CURRENT_USER, "DownloadOnMetered", 1);
    settings.DownloadOnMetered = false;
    settings.Save();
    DWORD value = 0;
    DWORD size = sizeof value;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kKey, "DownloadOnMetered", RRF_RT_REG_DWORD, nullptr, &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
}

TEST_F(SettingsTest, ListKeysComeFromTheMachineOnlyOneKeyPerLineAndAnUnreadableValueTrustsNoKey) {
    const struct {
        HKEY root;
        DWORD type;
        std::string stored; // as stored, zeros and all
        std::vector<std::string> keys;
    } rows[] = {{HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string("k1\0\0k2\0\0", 8), {"k1", "k2"}},
                {HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string("k1\0k2", 5), {"k1", "k2"}},
                {HKEY_LOCAL_MACHINE, REG_SZ, std::string("k1\0", 3), {"k1"}},
                {HKEY_LOCAL_MACHINE, REG_BINARY, "k1", {"?"}},
                {HKEY_CURRENT_USER, REG_MULTI_SZ, std::string("k1\0\0", 4), {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        RemoveKeys();
        ASSERT_EQ(RegSetKeyValueA(row.root, kKey, "ListKeys", row.type, row.stored.data(),
                                  static_cast<DWORD>(row.stored.size())),
                  ERROR_SUCCESS);
        TSettings settings;
        EXPECT_EQ(settings.ListKeys, row.keys);
    }
}
