// The HTTP client's pure parts: URL splitting and the response reader.

#include "http_response_reader.h"
#include "url.h"

#include <gtest/gtest.h>

using namespace ostrelle;

namespace {

using Phase = THttpResponseReader::Phase;

// Feeds text in pieces of the given size; returns the phase and the body bytes seen.
std::pair<Phase, std::string> FeedInPieces(THttpResponseReader &reader, std::string_view text, size_t piece)
{
    Phase phase = reader.CurrentPhase();
    std::string body;
    for (size_t at = 0; at < text.size(); at += piece) {
        std::string_view part;
        phase = reader.Feed(text.substr(at, piece), part);
        body += part;
    }
    return {phase, body};
}

} // namespace

TEST(Url, Split)
{
    HttpUrl url;
    std::string error;
    ASSERT_TRUE(SplitUrl("http://cddb.example.org:8880/~cddb/cddb.cgi?cmd=sites&proto=4", url, error));
    EXPECT_EQ(url.Host, "cddb.example.org");
    EXPECT_EQ(url.Port, 8880);
    EXPECT_EQ(url.Path, "/~cddb/cddb.cgi?cmd=sites&proto=4");

    ASSERT_TRUE(SplitUrl("example.org", url, error));
    EXPECT_EQ(url.Port, 80);
    EXPECT_EQ(url.Path, "/");
    ASSERT_TRUE(SplitUrl("HTTP://h/p", url, error));

    for (const char *bad :
         {"http://h/a b", "http://h/a\r\nX-Injected: 1", "http://h/\t", "http://h/\x7f", "https://h/",
          "ftp://h/", "http:///path", "http://h:/", "http://h:0/", "http://h:65536/", "http://h:8o/", ""}) {
        EXPECT_FALSE(SplitUrl(bad, url, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    // 8-bit text (a Windows-1252 user name) is not a control character.
    EXPECT_TRUE(SplitUrl("http://h/?hello=Fr\xe9"
                         "d\xe9ric",
                         url, error));
}

TEST(Url, ResolveLocation)
{
    const HttpUrl from{"h", 8080, "/cgi/cddb.cgi?cmd=x"};
    EXPECT_EQ(ResolveLocation(from, "http://other:81/p"), "http://other:81/p");
    EXPECT_EQ(ResolveLocation(from, "/moved?cmd=y"), "http://h:8080/moved?cmd=y");
    EXPECT_EQ(ResolveLocation(from, "new.cgi?a=b"), "http://h:8080/cgi/new.cgi?a=b");
    EXPECT_EQ(ResolveLocation(from, "//elsewhere/p"), "http://elsewhere/p");
}

TEST(ResponseReader, HeadersThenBodyWhateverTheChunking)
{
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n200 rock 1 A / B\r\n";
    for (size_t piece : {1u, 2u, 7u, 1000u}) {
        THttpResponseReader reader;
        const auto [phase, body] = FeedInPieces(reader, reply, piece);
        EXPECT_EQ(phase, Phase::Body);
        EXPECT_EQ(reader.StatusCode(), 200);
        EXPECT_EQ(reader.Reason(), "OK");
        EXPECT_EQ(body, "200 rock 1 A / B\r\n") << "pieces of " << piece;
        EXPECT_FALSE(reader.HasLocation());
    }
}

TEST(ResponseReader, LfOnlyLinesAndLocation)
{
    THttpResponseReader reader;
    const auto [phase, body] =
        FeedInPieces(reader, "HTTP/1.1 302 Found\nLOCATION:   /moved?x=1  \n\nbody", 3);
    EXPECT_EQ(phase, Phase::Body);
    EXPECT_EQ(reader.StatusCode(), 302);
    ASSERT_TRUE(reader.HasLocation());
    EXPECT_EQ(reader.Location(), "/moved?x=1");
    EXPECT_EQ(body, "body");
}

TEST(ResponseReader, MalformedStatusLinesLeaveNoStatus)
{
    for (const char *line : {"HTTP/1.0\r\n", "HTTP/1.0 2x0 OK\r\n", "HTTP/2 200 OK\r\n", "ICY 200 OK\r\n"}) {
        THttpResponseReader reader;
        const auto [phase, body] = FeedInPieces(reader, std::string(line) + "\r\nbody", 100);
        EXPECT_EQ(phase, Phase::Body) << line;
        EXPECT_EQ(reader.StatusCode(), 0) << line;
    }
    THttpResponseReader shortReason;
    FeedInPieces(shortReason, "HTTP/1.0 200\r\n\r\n", 100);
    EXPECT_EQ(shortReason.StatusCode(), 200);
    EXPECT_EQ(shortReason.Reason(), "");
}

TEST(ResponseReader, HeaderLineLimit)
{
    const std::string longest(THttpResponseReader::MaxHeaderLine, 'y');
    THttpResponseReader fits;
    EXPECT_EQ(FeedInPieces(fits, "HTTP/1.0 200 OK\r\n" + longest + "\n\nb", 1000).first, Phase::Body);

    THttpResponseReader tooLong;
    EXPECT_EQ(FeedInPieces(tooLong, "HTTP/1.0 200 OK\r\n" + longest + "y\n\nb", 1000).first,
              Phase::LineTooLong);
    THttpResponseReader neverEnding;
    EXPECT_EQ(FeedInPieces(neverEnding, std::string(20000, 'z'), 4096).first, Phase::LineTooLong);
}
