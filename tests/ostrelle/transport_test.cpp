// The HTTP transport under the http_ exports, over real TCP: progress messages, abort, busy
// client, redirections, limits, and a wait that sleeps instead of spinning.

#include "cddb_server_process.h"
#include "test_support.h"

#include <chrono>
#include <sys/resource.h>

#include <gtest/gtest.h>

using namespace ostrelle_test;
using Message = ProgressWindow::Message;

namespace {

constexpr const char *SitesBody = "210 OK\\r\\nsite one\\r\\n.\\r\\n";

class Transport : public ::testing::Test {
  protected:
    void Start(std::vector<std::string> replies)
    {
        server_ = std::make_unique<CddbServerProcess>(ServerOptions{.replies = std::move(replies)});
        texts_.server = server_->Address();
    }

    int32_t Sites(OHWND window)
    {
        TCddbServer record = texts_.Record();
        FreeCddbList(&list_);
        return http_sites(window, &record, &list_);
    }

    void TearDown() override
    {
        winmsg::SetMessagePump({});
        FreeCddbList(&list_);
    }

    std::unique_ptr<CddbServerProcess> server_;
    ServerTexts texts_;
    TCddbList list_{};
    ProgressWindow window_;
};

std::string Body(const char *body, const std::string &extra = "")
{
    return std::string(R"({"body": ")") + body + "\"" + extra + "}";
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST_F(Transport, ProgressPhasesInOrderForEachKind)
{
    Start({});
    const TCdToc toc = TocFromFrames({150, 14645}, 34510);
    TCDDBQuery query{};
    TCddbServer record = texts_.Record();
    ASSERT_EQ(http_query(window_.Handle(), &record, &toc, &query), CDDB_EXACT_MULTIPLE);
    TCddbMatch match = query.Matches[0];
    TDiscInfo info{};
    ASSERT_EQ(http_read(window_.Handle(), &record, &match, &info), CDDB_OK);
    ASSERT_EQ(Sites(window_.Handle()), CDDB_OK);
    EXPECT_EQ(window_.messages,
              (std::vector<Message>{{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 1}, {3, 2}, {3, 3}}));
    FreeDiscInfo(&info);
    FreeCddbQuery(&query);
}

TEST_F(Transport, WindowZeroGetsNothing)
{
    Start({});
    ASSERT_EQ(Sites(0), CDDB_OK);
    EXPECT_TRUE(window_.messages.empty());
    EXPECT_EQ(list_.Count, 2);
}

TEST_F(Transport, AbortFromTheHandlerAndTheNextCallStartsClean)
{
    // A slowly dripped body: the abort comes while it arrives.
    Start({Body("210 OK\\r\\nfirst reply\\r\\n.\\r\\n", R"(, "drip": 0.05)"), Body(SitesBody)});
    window_.onMessage = [](const Message &message) {
        if (message.second == CDDB_PHASE_DOC_BEGIN)
            http_Abort();
    };
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}, {3, 2}}));
    EXPECT_EQ(list_.Count, 0);

    window_.onMessage = {};
    ASSERT_EQ(Sites(window_.Handle()), CDDB_OK);
    ASSERT_EQ(list_.Count, 1);
    EXPECT_STREQ(list_.Items[0], "site one");
}

TEST_F(Transport, CallFromTheHandlerFailsWithoutDisturbingTheRunningOne)
{
    Start({Body(SitesBody)});
    ProgressWindow other;
    int32_t nested = -1;
    TCddbList nestedList{};
    window_.onMessage = [&](const Message &message) {
        if (message.second == CDDB_PHASE_SENDING) {
            TCddbServer record = texts_.Record();
            const TCdToc toc = TocFromFrames({150}, 20000);
            TCDDBQuery query{};
            EXPECT_EQ(http_query(other.Handle(), &record, &toc, &query), CDDB_FAILED);
            nested = http_sites(other.Handle(), &record, &nestedList);
        }
    };
    ASSERT_EQ(Sites(window_.Handle()), CDDB_OK);
    EXPECT_EQ(nested, CDDB_FAILED);
    EXPECT_EQ(nestedList.Count, 0);
    EXPECT_TRUE(other.messages.empty());
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}, {3, 2}, {3, 3}}));
    ASSERT_EQ(list_.Count, 1);
    EXPECT_STREQ(list_.Items[0], "site one");
    EXPECT_EQ(server_->RequestLog().find("GET"), server_->RequestLog().rfind("GET"));
}

TEST_F(Transport, NotFoundEndsWithoutBody)
{
    Start({R"({"status": 404, "reason": "Not Found", "body": "210 never read\r\n"})"});
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}}));
}

TEST_F(Transport, RedirectionIsFollowedOnANewConnection)
{
    Start({R"({"status": 302, "location": "http://127.0.0.1:{port}/moved.cgi?{query}", "body": "ignored"})",
           Body(SitesBody)});
    ASSERT_EQ(Sites(window_.Handle()), CDDB_OK);
    EXPECT_STREQ(list_.Items[0], "site one");
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}, {3, 1}, {3, 2}, {3, 3}}));
    EXPECT_NE(server_->RequestLog().find("GET /moved.cgi?cmd=sites&hello="), std::string::npos);
}

TEST_F(Transport, TenRedirectionsAreFollowedNotEleven)
{
    const std::string redirect = R"({"status": 302, "location": "/again?{query}", "times": 10})";
    Start({redirect, Body(SitesBody), redirect, R"({"status": 302, "location": "/again?{query}"})",
           Body(SitesBody)});
    EXPECT_EQ(Sites(0), CDDB_OK);
    EXPECT_EQ(Sites(0), CDDB_FAILED);
}

TEST_F(Transport, EmptyBodyFiresNoDocumentEvent)
{
    Start({Body("")});
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}}));
}

TEST_F(Transport, LfOnlyHeaderLines)
{
    Start({Body(SitesBody, R"(, "line_ending": "\n")")});
    ASSERT_EQ(Sites(0), CDDB_OK);
    EXPECT_STREQ(list_.Items[0], "site one");
}

TEST_F(Transport, SlowlyDrippedBodyArrivesWhole)
{
    Start({Body(SitesBody, R"(, "drip": 0.01, "drip_size": 3)")});
    ASSERT_EQ(Sites(window_.Handle()), CDDB_OK);
    EXPECT_STREQ(list_.Items[0], "site one");
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}, {3, 2}, {3, 3}}));
}

TEST_F(Transport, OversizedHeaderLineFails)
{
    Start({Body(SitesBody, R"(, "long_header": 9000)"), Body(SitesBody, R"(, "long_header": 8000)")});
    EXPECT_EQ(Sites(0), CDDB_FAILED);
    EXPECT_EQ(Sites(0), CDDB_OK);
}

TEST_F(Transport, BodyOverEightMegabytesFails)
{
    // One site line of that many bytes, then the "." line.
    Start({Body("210 OK\\r\\n", R"(, "fill": 8388609, "append": "\r\n.\r\n")"),
           Body("210 OK\\r\\n", R"(, "fill": 8000000, "append": "\r\n.\r\n")")});
    EXPECT_EQ(Sites(0), CDDB_FAILED);
    EXPECT_EQ(Sites(0), CDDB_OK);
}

// Host names with an empty label: the resolver refuses them without asking any name server, so
// these tests send nothing off this machine.
constexpr const char *kUnresolvableHost = "no-such-host..invalid";

TEST_F(Transport, UnknownHostFails)
{
    texts_.server = kUnresolvableHost;
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_TRUE(window_.messages.empty());
}

TEST_F(Transport, RefusedConnectionFails)
{
    Start({});
    const std::string port = std::to_string(server_->Port());
    server_.reset();
    texts_.server = "127.0.0.1:" + port;
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_TRUE(window_.messages.empty());
}

TEST_F(Transport, AbortWhileTheHostNameIsLookedUp)
{
    texts_.server = kUnresolvableHost;
    // The first pump of the wait runs while the name is being looked up.
    winmsg::SetMessagePump([] { http_Abort(); });
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_TRUE(window_.messages.empty());
}

TEST_F(Transport, ConnectionNeverClosedWaitsUntilAbort)
{
    Start({Body(SitesBody, R"(, "hang": true)"), Body(SitesBody)});
    bool bodyArrived = false;
    int pumpsAfterBody = 0;
    window_.onMessage = [&](const Message &message) { bodyArrived = bodyArrived || message.second == 2; };
    winmsg::SetMessagePump([&] {
        if (bodyArrived && ++pumpsAfterBody == 20)
            http_Abort();
    });
    EXPECT_EQ(Sites(window_.Handle()), CDDB_FAILED);
    EXPECT_EQ(pumpsAfterBody, 20);
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}, {3, 2}}));
    winmsg::SetMessagePump({});
    EXPECT_EQ(Sites(0), CDDB_OK);
}

TEST_F(Transport, WaitingForADelayedReplyDoesNotSpin)
{
    Start({Body(SitesBody, R"(, "delay": 2)")});
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    ASSERT_EQ(Sites(0), CDDB_OK);
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_GE(wall, 1.9);
    EXPECT_LT(cpu, wall / 4) << "cpu " << cpu << " s over " << wall << " s";
}

TEST_F(Transport, TheAnnouncedLengthDecidesWhereTheBodyEnds)
{
    // Whole, on a connection the server keeps open; cut short; announced in a way that says nothing.
    Start({Body(SitesBody, R"(, "content_length": true, "hang": true)"),
           Body(SitesBody, R"(, "content_length": 40)"),
           Body(SitesBody, R"(, "headers": {"Content-Length": "1e3"})"),
           Body(SitesBody, R"(, "content_length": 8388609)")});
    ASSERT_EQ(Sites(window_.Handle()), CDDB_OK);
    EXPECT_STREQ(list_.Items[0], "site one");
    EXPECT_EQ(window_.messages, (std::vector<Message>{{3, 1}, {3, 2}, {3, 3}}));
    EXPECT_EQ(Sites(0), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "r\xe9ponse incompl\xe8te (21 octets sur 40 annonc\xe9s)");
    EXPECT_EQ(Sites(0), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "longueur de r\xe9ponse (Content-Length) invalide");
    EXPECT_EQ(Sites(0), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "r\xe9ponse trop volumineuse");
}
