// The session control's own rules, in the test's process and without a network.
#include "net/SimpleHTTP.h"
#include "support/Error.h"
#include "tests/Raised.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <vector>

namespace {

// A control with no progress bar to move, that counts its disconnects and the threads they ran on.
class CountingControl : public TWinInetControl {
public:
    void DoQuickProgress() override {}
    bool Disconnect() override {
        ++disconnects;
        disconnectThread = GetCurrentThreadId();
        return TWinInetControl::Disconnect();
    }
    std::atomic<int> disconnects{0};
    std::atomic<DWORD> disconnectThread{0};
};

} // namespace

TEST(TWinInetControl, EachStateHasItsTextWithTheHostName) {
    CountingControl control;
    control.HostName = "skits.example";
    const struct {
        int state;
        const char* text;
    } cases[] = {
        {fsDisconnecting, "Disconnecting from skits.example"},
        {fsNoconnection, "No connection"},
        {fsConnecting, "Connecting to skits.example"},
        {fsConnected, "Connected to skits.example"},
        {fsResolvingName, "Resolving name skits.example"},
        {fsNameResolved, "Resolved name skits.example"},
        {6, "Unknown state!  Contact support ..."},
        {-1, "Unknown state!  Contact support ..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(control.TranslateStateText(static_cast<TWinInetState>(c.state)), c.text) << c.state;
    }
}

TEST(TWinInetControl, AConnectErrorDropsTheConnectionAndRaisesItsMessage) {
    const struct {
        DWORD code;
        const char* message;
    } cases[] = {
        {12002, "Connection to skits.example timed out"},
        {12004, "Internal WININET error"},
        {12007, "Unable to resolve host name 'skits.example'"},
        {12013, "Bad user name: 'ann' connecting to skits.example"},
        {12014, "Bad password connecting to skits.example"},
        {12015, "Unable to connect to skits.example"},
        {12029, "Unable to connect to skits.example"},
        {12030, "General Connection Error to skits.example"},
    };
    for (const auto& c : cases) {
        CountingControl control;
        control.HostName = "skits.example";
        control.UserName = "ann";
        control.SilentExceptions = false;
        control.DoStateChange(fsConnected);
        try {
            control.HandleConnectError(c.code);
            ADD_FAILURE() << "nothing raised for " << c.code;
        } catch (const EWinInetError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_EQ(control.State(), fsNoconnection) << c.code;
    }

    CountingControl silent; // the default
    silent.DoStateChange(fsConnected);
    EXPECT_NO_THROW(silent.HandleConnectError(12029));
    EXPECT_EQ(silent.State(), fsNoconnection);
}

TEST(TWinInetControl, OnlyARealChangeOfStateRaisesTheEvent) {
    CountingControl control;
    std::vector<TWinInetState> seen;
    control.OnStateChange = [&](TWinInetControl& sender, TWinInetState state) {
        EXPECT_EQ(&sender, &control);
        seen.push_back(state);
    };
    EXPECT_FALSE(control.DoStateChange(fsNoconnection));
    EXPECT_TRUE(control.DoStateChange(fsConnecting));
    EXPECT_FALSE(control.DoStateChange(fsConnecting));
    EXPECT_TRUE(control.DoStateChange(fsConnected));
    EXPECT_EQ(seen, (std::vector<TWinInetState>{fsConnecting, fsConnected}));
}

TEST(TWinInetControl, StatusCallbacksOfResolvingAndConnectingMoveTheState) {
    CountingControl control;
    const auto context = reinterpret_cast<DWORD_PTR>(static_cast<TWinInetControl*>(&control));
    const struct {
        DWORD status;
        TWinInetState after;
    } steps[] = {
        {INTERNET_STATUS_RESOLVING_NAME, fsResolvingName},     {INTERNET_STATUS_NAME_RESOLVED, fsNameResolved},
        {INTERNET_STATUS_CONNECTING_TO_SERVER, fsConnecting},  {INTERNET_STATUS_CONNECTED_TO_SERVER, fsConnected},
        {INTERNET_STATUS_SENDING_REQUEST, fsConnected}, // not a state of its own
        {INTERNET_STATUS_CLOSING_CONNECTION, fsDisconnecting}, {INTERNET_STATUS_CONNECTION_CLOSED, fsNoconnection},
    };
    for (const auto& step : steps) {
        TWinInetControl::RegisteredStatusCallback(nullptr, context, step.status, nullptr, 0);
        EXPECT_EQ(control.State(), step.after) << step.status;
    }
    // The root handle carries no control.
    TWinInetControl::RegisteredStatusCallback(nullptr, 0, INTERNET_STATUS_CONNECTED_TO_SERVER, nullptr, 0);
    EXPECT_EQ(control.State(), fsNoconnection);
}

TEST(TWinInetControl, TimeoutAndRetriesAreStoredUntilAHandleIsOpenThenSetOnIt) {
    CountingControl control;
    EXPECT_EQ(control.GetConnectTimeOut(), 300000u);
    EXPECT_EQ(control.GetConnectRetries(), 3u);
    control.SetConnectTimeout(0);
    EXPECT_EQ(control.GetConnectTimeOut(), 300000u);
    control.SetConnectTimeout(4321);
    control.SetConnectRetries(2);
    EXPECT_FALSE(control.Connect());
    ASSERT_NE(control.InternetHandle(), nullptr);
    EXPECT_EQ(control.GetConnectTimeOut(), 4321u);
    // WinINet is asked now; where it cannot tell (Wine keeps no retries), the default answers.
    EXPECT_TRUE(control.GetConnectRetries() == 2u || control.GetConnectRetries() == 3u);
}

TEST(TWinInetControl, ConnectWhileConnectedOpensNothing) {
    CountingControl control;
    control.DoStateChange(fsConnected);
    EXPECT_TRUE(control.Connect());
    EXPECT_EQ(control.InternetHandle(), nullptr);
}

TEST(TWinInetControl, CacheAndResolveNamesChooseTheFlagsAndTheAccessType) {
    CountingControl control;
    EXPECT_EQ(control.RequestFlags(), kNoCacheFlags);
    control.SetEnableCache(true);
    EXPECT_EQ(control.RequestFlags(), 0u);
    EXPECT_EQ(control.AccessType(), static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT));
    control.SetResolveNames(rnPreConfig);
    EXPECT_EQ(control.AccessType(), static_cast<DWORD>(INTERNET_OPEN_TYPE_PRECONFIG));
    control.SetResolveNames(rnProxy);
    EXPECT_EQ(control.AccessType(), static_cast<DWORD>(INTERNET_OPEN_TYPE_PROXY));
}

TEST(TWinInetControl, AbortRunsDisconnectOnceOnAThreadOfItsOwnAndWaitsForIt) {
    CountingControl control;
    control.DoStateChange(fsConnected);
    control.Abort(); // no handle open
    EXPECT_EQ(control.disconnects, 1);
    EXPECT_NE(control.disconnectThread, GetCurrentThreadId());
    EXPECT_EQ(control.State(), fsNoconnection);
    // It had nothing to close: it holds for the next connect, which opens nothing.
    EXPECT_FALSE(control.Connect());
    EXPECT_EQ(control.InternetHandle(), nullptr);

    CountingControl connected;
    EXPECT_FALSE(connected.Connect());
    ASSERT_NE(connected.InternetHandle(), nullptr);
    connected.Abort();
    EXPECT_EQ(connected.disconnects, 1);
    EXPECT_EQ(connected.InternetHandle(), nullptr);
}

TEST(TWinInetControl, WithQuickProgressTheStateTextGoesToTheStatusBarsFirstPanel) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_POPUP, 0, 0, 300, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(bar, nullptr);
    int edges[] = {100, 200, -1};
    SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    const auto panelText = [&](int panel) {
        char text[256] = "";
        SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };

    CountingControl control;
    control.HostName = "skits.example";
    control.QuickStatus = bar;
    control.DoStateChange(fsConnecting);
    EXPECT_EQ(panelText(0), ""); // QuickProgress is off
    control.QuickProgress = true;
    control.DoStateChange(fsConnected);
    EXPECT_EQ(panelText(0), "Connected to skits.example");
    EXPECT_EQ(panelText(1), "");
    DestroyWindow(bar);
}

TEST(TSimpleHTTP, BlockSizeStaysWithinTheReadBuffer) {
    TSimpleHTTP http;
    EXPECT_EQ(http.BlockSize(), 8192);
    const struct {
        std::int32_t set, stored;
    } cases[] = {{4096, 4096}, {16384, 16384}, {16385, 16384}, {1 << 30, 16384}, {0, 1}, {-8, 1}};
    for (const auto& c : cases) {
        http.SetBlockSize(c.set);
        EXPECT_EQ(http.BlockSize(), c.stored) << c.set;
    }
}

TEST(TSimpleHTTP, CrackURLTakesTheServerFromTheURLAndLeavesTheObject) {
    const struct {
        const char* url;
        bool cracked;
        const char* object;
        const char* host;
        std::int32_t port;
        bool ssl;
        const char* user;
    } cases[] = {
        {"http://ann:pw@skits.example:8080/dir/file.syn?x=1", true, "/dir/file.syn?x=1", "skits.example", 8080, false,
         "ann"},
        {"https://secure.example/skits/list.syn", true, "/skits/list.syn", "secure.example", 443, true, ""},
        {"https://secure.example:8443/a", true, "/a", "secure.example", 8443, true, ""},
        {"/dir/file.syn", false, "/dir/file.syn", "old.example", 81, true, ""},
        {"file.syn", false, "file.syn", "old.example", 81, true, ""},
    };
    for (const auto& c : cases) {
        TSimpleHTTP http;
        http.HostName = "old.example";
        http.Port = 81;
        http.SetEnableSSL(true);
        std::string url = c.url;
        EXPECT_EQ(http.CrackURL(url), c.cracked) << c.url;
        EXPECT_EQ(url, c.object) << c.url;
        EXPECT_EQ(http.HostName, c.host) << c.url;
        EXPECT_EQ(http.Port, c.port) << c.url;
        EXPECT_EQ(http.EnableSSL(), c.ssl) << c.url;
        EXPECT_EQ((http.RequestFlags() & INTERNET_FLAG_SECURE) != 0, c.ssl) << c.url;
        EXPECT_EQ(http.UserName, c.user) << c.url;
    }
}

TEST(TSimpleHTTP, AURLThatCannotBeSplitIsRefusedWithItsText) {
    TSimpleHTTP http;
    const std::string message = ErrorOf([&] {
        std::string url = "ht tp://skits.example/x";
        http.CrackURL(url);
    });
    EXPECT_NE(message.find(") cracking URL ht tp://skits.example/x"), std::string::npos) << message;
    EXPECT_EQ(message.rfind("Error ", 0), 0u) << message;

    http.SilentExceptions = true;
    std::string url = "ht tp://skits.example/x";
    EXPECT_FALSE(http.CrackURL(url));
}

TEST(TSimpleHTTP, DisconnectSwallowsTheProgramsOwnErrors) {
    TSimpleHTTP http;
    http.DoStateChange(fsConnected);
    http.OnStateChange = [](TWinInetControl&, TWinInetState) { throw EZolvaneError("refused"); };
    EXPECT_FALSE(http.Disconnect());
    EXPECT_EQ(http.State(), fsNoconnection);
}

TEST(THTTPHeaderInfo, WithoutARequestEveryQueryIsEmpty) {
    TSimpleHTTP http;
    THTTPHeaderInfo& headers = http.HeaderInfo();
    EXPECT_EQ(headers.GetStatusCode(), 0u);
    EXPECT_EQ(headers.GetContentLength(), 0u);
    EXPECT_EQ(headers.GetStatusText(), "");
    EXPECT_EQ(headers.GetCustomHeader("X-Skit"), "");
    EXPECT_EQ(headers.GetDate(), 0u);
}
