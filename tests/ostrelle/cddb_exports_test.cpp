// http_query, http_read and http_sites against the local CDDB server over real TCP: each reply
// code maps to its result and fills its record; the request that goes out is well formed.

#include "cddb_server_process.h"
#include "test_support.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace ostrelle_test;

namespace {

std::string Reply(const std::string &body)
{
    return R"({"body": ")" + body + R"("})";
}

// The demonstration disc, rock/3b04af05.
TCdToc DemoToc()
{
    return TocFromFrames({150, 18337, 35210, 52890, 71455}, 90122);
}

class CddbExports : public ::testing::Test {
  protected:
    void Start(const ServerOptions &options = {})
    {
        server_ = std::make_unique<CddbServerProcess>(options);
        texts_.server = server_->Address();
    }

    int32_t Query(const TCdToc &toc) { return http_query(0, Server(), &toc, &query_); }
    int32_t Read(const char *category, const char *discId, const char *artist = "Match Artist",
                 const char *title = "Match Title")
    {
        TCddbMatch match{const_cast<char *>(category), const_cast<char *>(discId), const_cast<char *>(artist),
                         const_cast<char *>(title)};
        return http_read(0, Server(), &match, &info_);
    }
    int32_t Sites() { return http_sites(0, Server(), &list_); }

    const TCddbServer *Server()
    {
        server_record_ = texts_.Record();
        return &server_record_;
    }

    void TearDown() override
    {
        FreeCddbQuery(&query_);
        FreeDiscInfo(&info_);
        FreeCddbList(&list_);
    }

    std::unique_ptr<CddbServerProcess> server_;
    ServerTexts texts_;
    TCddbServer server_record_{};
    TCDDBQuery query_{};
    TDiscInfo info_{};
    TCddbList list_{};
};

} // namespace

TEST_F(CddbExports, QueryExactMatch)
{
    Start();
    ASSERT_EQ(Query(DemoToc()), CDDB_EXACT);
    ASSERT_EQ(query_.Count, 1);
    EXPECT_STREQ(query_.Matches[0].Category, "rock");
    EXPECT_STREQ(query_.Matches[0].DiscId, "3b04af05");
    // ISO-8859-1 bytes as the server stored them.
    EXPECT_STREQ(query_.Matches[0].Artist, "Mar\xe9"
                                           "e Haute");
    EXPECT_STREQ(query_.Matches[0].Title, "Les Ombres Bleues");
}

TEST_F(CddbExports, QueryExactMultipleInexactAndNoMatch)
{
    Start();
    ASSERT_EQ(Query(TocFromFrames({150, 14645}, 34510)), CDDB_EXACT_MULTIPLE);
    ASSERT_EQ(query_.Count, 2);
    EXPECT_STREQ(query_.Matches[0].Category, "jazz");
    EXPECT_STREQ(query_.Matches[1].Artist, "Some Artist");
    FreeCddbQuery(&query_);

    // Offsets within 150 frames of classical/1e025604 but another disc ID.
    const TCdToc shifted = TocFromFrames({150, 9060, 20090, 31300}, 45090);
    ASSERT_NE(CalcDiscID(&shifted), 0x1e025604u);
    ASSERT_EQ(Query(shifted), CDDB_INEXACT);
    ASSERT_EQ(query_.Count, 1);
    EXPECT_STREQ(query_.Matches[0].DiscId, "1e025604");
    EXPECT_STREQ(query_.Matches[0].Title, "Quatre mouvements");
    FreeCddbQuery(&query_);

    EXPECT_EQ(Query(TocFromFrames({150, 30000, 60000}, 90000)), CDDB_NO_MATCH);
    EXPECT_EQ(query_.Count, 0);
    EXPECT_EQ(query_.Matches, nullptr);
}

TEST_F(CddbExports, QueryScriptedReplies)
{
    Start(
        {.replies = {Reply("200 rock 7a0b1c09 Some Artist / Some Album\\r\\n"),
                     Reply("211 Found inexact matches\\r\\nrock 00000001 A / B\\r\\njazz 00000002 C / D\\r\\n"
                           "misc 00000003 E / F\\r\\n.\\r\\n"),
                     Reply("403 Database entry is corrupt.\\r\\n"), Reply("409 No handshake.\\r\\n"),
                     Reply("500 Internal error.\\r\\n"), Reply("2"),
                     Reply("200 rock 99999999 No Slash Here\\r\\n")}});
    const TCdToc toc = DemoToc();
    ASSERT_EQ(Query(toc), CDDB_EXACT);
    EXPECT_STREQ(query_.Matches[0].Category, "rock");
    EXPECT_STREQ(query_.Matches[0].DiscId, "7a0b1c09");
    EXPECT_STREQ(query_.Matches[0].Artist, "Some Artist");
    EXPECT_STREQ(query_.Matches[0].Title, "Some Album");
    FreeCddbQuery(&query_);

    ASSERT_EQ(Query(toc), CDDB_INEXACT);
    EXPECT_EQ(query_.Count, 3);
    FreeCddbQuery(&query_);

    // Codes without parsing leave the record as it was.
    EXPECT_EQ(Query(toc), CDDB_CORRUPT);
    EXPECT_EQ(Query(toc), CDDB_NO_HANDSHAKE);
    EXPECT_EQ(Query(toc), CDDB_FAILED);
    EXPECT_EQ(Query(toc), CDDB_FAILED);
    EXPECT_EQ(query_.Count, 0);
    EXPECT_EQ(query_.Matches, nullptr);

    ASSERT_EQ(Query(toc), CDDB_EXACT);
    EXPECT_STREQ(query_.Matches[0].Artist, "No Slash Here");
    EXPECT_STREQ(query_.Matches[0].Title, "No Slash Here");
}

TEST_F(CddbExports, RequestLineAndHeaders)
{
    Start({.replies = {Reply("202 No match.\\r\\n")}});
    const TCdToc toc = TocFromFrames({150, 14645}, 34510);
    ASSERT_EQ(Query(toc), CDDB_NO_MATCH);
    const std::string log = server_->RequestLog();
    EXPECT_EQ(log, "GET /~cddb/cddb.cgi?cmd=cddb+query+1101CA02+2+150+14645+460"
                   "&hello=tester+testhost+Ostrelle+1.4Beta4&proto=4 HTTP/1.0\n"
                   "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\n"
                   "User-Agent: Mozilla/3.0 (compatible)\n"
                   "Host: 127.0.0.1:" +
                       std::to_string(server_->Port()) + "\n\n");
}

TEST_F(CddbExports, DataThatWouldBreakTheRequestIsRefused)
{
    Start();
    texts_.userName = "two words";
    EXPECT_EQ(Query(DemoToc()), CDDB_FAILED);
    texts_.userName = "tester";
    EXPECT_EQ(Read("rock\r\nX-Injected: yes", "3b04af05"), CDDB_FAILED);
    EXPECT_EQ(Read("rock", "3b04af05\t"), CDDB_FAILED);
    texts_.cgiPath = "/cddb.cgi\n";
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_EQ(server_->RequestLog(), "");
    EXPECT_EQ(info_.Count, 0);
    EXPECT_EQ(list_.Count, 0);
}

TEST_F(CddbExports, ReadEntry)
{
    Start();
    ASSERT_EQ(Read("folk", "0c038703"), CDDB_OK);
    // The match's names, not the entry's DTITLE.
    EXPECT_STREQ(info_.Artist, "Match Artist");
    EXPECT_STREQ(info_.Title, "Match Title");
    ASSERT_EQ(info_.Count, 3);
    EXPECT_STREQ(info_.TrackTitles[0], "Intro");
    EXPECT_STREQ(info_.TrackTitles[1], "Longer Song");
    EXPECT_STREQ(info_.TrackTitles[2], "Coda");
    EXPECT_STREQ(info_.ExtData, "Live at the harbour");
    EXPECT_STREQ(info_.TrackExtData[0], "");
    EXPECT_STREQ(info_.TrackExtData[1], "second take");
    EXPECT_STREQ(info_.TrackExtData[2], "");
    FreeDiscInfo(&info_);

    ASSERT_EQ(Read("rock", "3b04af05"), CDDB_OK);
    ASSERT_EQ(info_.Count, 5);
    EXPECT_STREQ(info_.TrackTitles[0], "Pr\xe9lude \xe0 la nuit");
    FreeDiscInfo(&info_);

    EXPECT_EQ(Read("rock", "deadbeef"), CDDB_ENTRY_NOT_FOUND);
    EXPECT_EQ(info_.Count, 0);
    EXPECT_EQ(info_.Artist, nullptr);
}

TEST_F(CddbExports, ReadScriptedReplies)
{
    Start(
        {.replies = {Reply("210 folk 1 entry\\r\\nTTITLE0=Intro\\r\\nTTITLE1=Long\\r\\nTTITLE1=er Song\\r\\n"
                           "EXTD=Live\\r\\nEXTT0=\\r\\nEXTT1=\\r\\n.\\r\\n"),
                     Reply("210 folk 1 entry\\nDTITLE=x / y\\n.\\n"), Reply("402 Server error.\\r\\n"),
                     Reply("403 Database entry is corrupt.\\r\\n"), Reply("409 No handshake.\\r\\n"),
                     Reply("500 Unrecognized command.\\r\\n")}});
    ASSERT_EQ(Read("folk", "1"), CDDB_OK);
    ASSERT_EQ(info_.Count, 2);
    EXPECT_STREQ(info_.TrackTitles[1], "Longer Song");
    EXPECT_STREQ(info_.ExtData, "Live");
    EXPECT_STREQ(info_.TrackExtData[0], "");
    EXPECT_STREQ(info_.TrackExtData[1], "");
    FreeDiscInfo(&info_);

    // An entry without titles: no extended data either, still the match's names.
    ASSERT_EQ(Read("folk", "1", nullptr, "T"), CDDB_OK);
    EXPECT_EQ(info_.Count, 0);
    EXPECT_EQ(info_.TrackTitles, nullptr);
    EXPECT_EQ(info_.ExtData, nullptr);
    EXPECT_STREQ(info_.Artist, "");
    EXPECT_STREQ(info_.Title, "T");
    FreeDiscInfo(&info_);

    EXPECT_EQ(Read("folk", "1"), CDDB_SERVER_ERROR);
    EXPECT_EQ(Read("folk", "1"), CDDB_CORRUPT);
    EXPECT_EQ(Read("folk", "1"), CDDB_NO_HANDSHAKE);
    EXPECT_EQ(Read("folk", "1"), CDDB_FAILED);
    EXPECT_EQ(info_.Artist, nullptr);
}

TEST_F(CddbExports, SitesFromTheServer)
{
    Start();
    ASSERT_EQ(Sites(), CDDB_OK);
    ASSERT_EQ(list_.Count, 2);
    EXPECT_STREQ(list_.Items[1],
                 "mirror.example.net http 8080 /cgi-bin/cddb.cgi N048.51 E002.21 Example mirror");
}

TEST_F(CddbExports, SitesWithoutSiteInformation)
{
    Start({.withFixtures = false, .replies = {Reply("500 Unrecognized command.\\r\\n")}});
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_EQ(Sites(), CDDB_NO_SITES);
    EXPECT_EQ(list_.Count, 0);
}

TEST_F(CddbExports, HttpErrorStatusFailsEveryCall)
{
    Start({.replies = {R"({"status": 500, "body": "210 ignored\r\n", "times": 3})"}});
    EXPECT_EQ(Query(DemoToc()), CDDB_FAILED);
    EXPECT_EQ(Read("rock", "3b04af05"), CDDB_FAILED);
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_EQ(list_.Items, nullptr);
}

TEST_F(CddbExports, NullArgumentsFail)
{
    const TCdToc toc = DemoToc();
    EXPECT_EQ(http_query(0, nullptr, &toc, &query_), CDDB_FAILED);
    EXPECT_EQ(http_query(0, Server(), nullptr, &query_), CDDB_FAILED);
    EXPECT_EQ(http_read(0, Server(), nullptr, &info_), CDDB_FAILED);
    EXPECT_EQ(http_sites(0, Server(), nullptr), CDDB_FAILED);
}

TEST_F(CddbExports, CutOrDamagedRepliesAreNeverTakenAsFound)
{
    // The fixture entries as the server sends them, then spoilt on the way.
    Start({.replies = {R"({"content_length": true, "cut": 200})", R"({"no_terminator": true})",
                       R"({"append": "\u0000\u00ff"})", R"({"append": "TTITLE0=late\r\n"})",
                       Reply("200 misc 25008705 Orch"), Reply("200 misc 2500870 Orchestre\\r\\n"),
                       Reply("210 rock 3b04af05\\r\\nTTITLE0=A\\r\\nTTITLE3=D\\r\\nTTITLE4=E\\r\\n.\\r\\n"),
                       Reply("210 rock 3b04af05\\r\\nTTITLE0=A\\r\\nTTITLE1=B\\r\\nTTITLE0=C\\r\\n.\\r\\n"),
                       Reply("210 rock 3b04af05\\r\\nTTITLE0=A\\r\\nTTITLE1=B\\r\\nTTITLE2=C\\r\\nTTITLE3="
                             "D\\r\\nTTITLE4=E\\r\\nTTITLE5=F\\r\\n.\\r\\n")}});
    const struct {
        int32_t result;
        std::string why;
    } reads[] = {
        {CDDB_FAILED, "r\xe9ponse incompl\xe8te (200 octets sur "},
        {CDDB_FAILED, "r\xe9ponse sans ligne de fin \xab . \xbb"},
        {CDDB_CORRUPT, "r\xe9ponse mal form\xe9"
                       "e : octet NUL \xe0 la position "},
        {CDDB_CORRUPT, "r\xe9ponse mal form\xe9"
                       "e : texte apr\xe8s la ligne de fin \xab . \xbb"},
    };
    for (const auto &c : reads) {
        EXPECT_EQ(Read("rock", "3b04af05"), c.result) << c.why;
        EXPECT_EQ(std::string(http_LastError()).rfind(c.why, 0), 0u) << http_LastError();
        EXPECT_EQ(info_.Count, 0);
        EXPECT_EQ(info_.Artist, nullptr);
    }

    // A query line cut inside, and one whose disc ID is short of a digit.
    EXPECT_EQ(Query(DemoToc()), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "r\xe9ponse incompl\xe8te : derni\xe8re ligne sans fin de ligne");
    EXPECT_EQ(Query(DemoToc()), CDDB_CORRUPT);
    EXPECT_STREQ(http_LastError(), "r\xe9ponse mal form\xe9"
                                   "e : disque \xab misc 2500870 Orchestre \xbb");
    EXPECT_EQ(query_.Count, 0);

    // Titles out of their order, or past the five tracks the disc ID names.
    for (const char *why :
         {"TTITLE3 apr\xe8s TTITLE0", "TTITLE0 apr\xe8s TTITLE1", "TTITLE5 pour 5 pistes"}) {
        EXPECT_EQ(Read("rock", "3b04af05"), CDDB_CORRUPT);
        EXPECT_EQ(http_LastError(), std::string("r\xe9ponse mal form\xe9"
                                                "e : ") +
                                        why);
        EXPECT_EQ(info_.TrackTitles, nullptr);
    }

    // Unspoilt replies come through whole again.
    ASSERT_EQ(Read("rock", "3b04af05"), CDDB_OK);
    EXPECT_EQ(info_.Count, 5);
    EXPECT_STREQ(http_LastError(), "");
}
