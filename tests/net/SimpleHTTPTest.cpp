// The HTTP client against the skit server on 127.0.0.1.
#include "net/SimpleHTTP.h"
#include "tests/Raised.h"
#include "tests/net/NetTesting.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <regex>
#include <vector>

using namespace net_testing;

TEST(TSimpleHTTP, GetRequestsTheObjectWithItsQueryFromTheServerTheURLNames) {
    const ServedFolder folder;
    const std::string body = SampleBytes(20000);
    const std::string path = folder.Put("file.syn", body);

    TSimpleHTTP http;
    http.HostName = "elsewhere.example";
    http.SetEnableSSL(true);
    MemorySink sink;
    http.Get(ServerUrl(path + "?x=1"), sink);

    EXPECT_EQ(http.HostName, "127.0.0.1");
    EXPECT_EQ(http.Port, ServerPort());
    EXPECT_FALSE(http.EnableSSL());
    EXPECT_TRUE(testing_files::SameBytes(sink.bytes, body));
    EXPECT_TRUE(ServerAnswered("GET " + path + "?x=1 200 20000"));
    EXPECT_EQ(http.HeaderInfo().GetStatusCode(), 200u);
    EXPECT_EQ(http.HeaderInfo().GetContentLength(), 20000u);
    EXPECT_EQ(http.HeaderInfo().GetContentType(), "application/octet-stream");
    EXPECT_EQ(http.State(), fsNoconnection);

    // Without "://" the URL is an object on the host and port of the last request.
    sink.bytes.clear();
    http.Get(path + "?again=2", sink);
    EXPECT_TRUE(ServerAnswered("GET " + path + "?again=2 200 20000"));
    EXPECT_EQ(sink.bytes.size(), body.size());
}

TEST(TSimpleHTTP, ProgressCountsEveryBlockAndEndsWithOneEventOfTheFinalCounts) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    const ServedFolder folder;
    const struct {
        std::string query;
        std::size_t size;
        std::int32_t total; // what the progress shows as the total
    } cases[] = {
        {"", 20000, 20000},
        {"?fault=no-length", 20000, 0},
        {"", 0, 0},
    };
    for (const auto& c : cases) {
        const std::string path = folder.Put("body" + std::to_string(c.size) + ".bin", SampleBytes(c.size));
        TSimpleHTTP http;
        // The built-in display: a progress bar of this thread, moved by the transfer.
        HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(bar, nullptr);
        http.QuickProgress = true;
        http.QuickProgressMinor = bar;
        std::vector<THTTPProgressInfo> events;
        http.OnTransferProgress = [&](TSimpleHTTP&, const THTTPProgressInfo& progress) { events.push_back(progress); };
        MemorySink sink;
        http.Get(ServerUrl(path + c.query), sink);

        ASSERT_FALSE(events.empty());
        for (std::size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(events[i].BytesTotal, c.total) << c.query << " event " << i;
            EXPECT_LE(events[i].BytesDone - (i > 0 ? events[i - 1].BytesDone : 0), http.BlockSize());
        }
        EXPECT_EQ(events.back().BytesDone, static_cast<std::int32_t>(c.size)) << c.query;
        // The last read brings nothing: its event repeats the final count.
        const std::int32_t beforeLast = events.size() > 1 ? events[events.size() - 2].BytesDone : 0;
        EXPECT_EQ(beforeLast, static_cast<std::int32_t>(c.size)) << c.query;
        EXPECT_EQ(sink.bytes.size(), c.size);
        EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), c.total > 0 ? 100 : 0) << c.query;
        DestroyWindow(bar);
    }
}

TEST(TSimpleHTTP, AnErrorPageIsStoredLikeAnyBody) {
    TSimpleHTTP http;
    MemorySink sink;
    http.Get(ServerUrl("/no-such-skit.syn"), sink);
    EXPECT_EQ(http.HeaderInfo().GetStatusCode(), 404u);
    EXPECT_EQ(http.HeaderInfo().GetStatusText(), "Not Found");
    EXPECT_NE(sink.bytes.find("<h1>Not Found</h1>"), std::string::npos);
}

TEST(TSimpleHTTP, HeadAsksForTheHeadersAloneAndTheyCanBeRead) {
    const ServedFolder folder;
    const std::string path = folder.Put("head.syn", SampleBytes(300));
    TSimpleHTTP http;
    http.Head(ServerUrl(path));
    EXPECT_TRUE(ServerAnswered("HEAD " + path + " 200 0"));
    EXPECT_EQ(http.HeaderInfo().GetContentLength(), 300u);
    EXPECT_EQ(http.HeaderInfo().GetCustomHeader("Server").rfind("skitserver/1", 0), 0u);
    EXPECT_NE(http.HeaderInfo().GetRawHeader().find("Content-Length: 300\r\n"), std::string::npos);
    EXPECT_NE(http.HeaderInfo().GetDate(), 0u);
    // The server sends no Last-Modified: asking for it fails, or reads the zero date when silent.
    const std::string message = ErrorOf([&] { http.HeaderInfo().GetLastModified(); });
    EXPECT_TRUE(std::regex_match(message, std::regex(R"(Error 12150 \(.*\) querying HTTP response header)")))
        << message;
    http.SilentExceptions = true;
    EXPECT_EQ(http.HeaderInfo().GetLastModified(), 0u);
}

TEST(TSimpleHTTP, ADeadServerIsReportedWithTheHostName) {
    TSimpleHTTP http;
    MemorySink sink;
    // Port 1 on the loopback address: nothing listens there.
    const std::string message = ErrorOf([&] { http.Get("http://127.0.0.1:1/list.syn", sink); });
    EXPECT_EQ(message.rfind("Unable to send request to 127.0.0.1 (", 0), 0u) << message;
    EXPECT_EQ(http.State(), fsNoconnection);
}

namespace {

// Aborts from inside the request, after its handles are open and before it is sent: where a cancel from
// the user-interface thread lands when it comes while the worker is opening them.
class AbortingAfterConnect : public TSimpleHTTP {
public:
    bool Connect() override {
        const bool result = TSimpleHTTP::Connect();
        if (abortNow) {
            Abort();
        }
        return result;
    }
    bool abortNow = false;
};

} // namespace

TEST(TSimpleHTTP, AnAbortThatFindsNoHandleOpenStopsTheRequestBeforeItIsSentAndOnlyThatRequest) {
    const ServedFolder folder;
    const std::string path = folder.Put("aborted.syn", SampleBytes(100));
    for (const bool beforeTheRequest : {true, false}) {
        AbortingAfterConnect http;
        if (beforeTheRequest) {
            http.Abort();
        } else {
            http.abortNow = true;
        }
        MemorySink sink;
        const std::string query = beforeTheRequest ? "?before=1" : "?after-connect=1";
        EXPECT_EQ(ErrorOf([&] { http.Get(ServerUrl(path + query), sink); }), "Connection to 127.0.0.1 cancelled");
        EXPECT_EQ(http.State(), fsNoconnection);

        http.abortNow = false;
        http.Get(ServerUrl(path + query + "&next=1"), sink);
        EXPECT_EQ(sink.bytes.size(), 100u);
        EXPECT_FALSE(ServerAnswered("GET " + path + query + " 200 100")) << query;
        EXPECT_TRUE(ServerAnswered("GET " + path + query + "&next=1 200 100")) << query;
    }
}
