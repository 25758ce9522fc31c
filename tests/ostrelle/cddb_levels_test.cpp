// What users of today's servers meet, against the local server as strict as real ones: the
// protocol level and the texts' encoding, why a call failed, the idle limit, IPv6 addresses.

#include "cddb_server_process.h"
#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace ostrelle_test;

namespace {

// The fixture stored as UTF-8, misc/1b031e03.
const TCdToc kUtf8Disc = TocFromFrames({150, 20000, 40000}, 60000);

class CddbLevels : public ::testing::Test {
  protected:
    void Start(ServerOptions options = {})
    {
        server_ = std::make_unique<CddbServerProcess>(options);
        texts_.server = server_->Address();
    }
    int32_t Query(const TCdToc &toc)
    {
        FreeCddbQuery(&query_);
        record_ = texts_.Record();
        return http_query(0, &record_, &toc, &query_);
    }
    int32_t Read(const char *category, const char *discId)
    {
        FreeDiscInfo(&info_);
        record_ = texts_.Record();
        TCddbMatch match{const_cast<char *>(category), const_cast<char *>(discId), nullptr, nullptr};
        return http_read(0, &record_, &match, &info_);
    }
    int32_t Sites()
    {
        FreeCddbList(&list_);
        record_ = texts_.Record();
        return http_sites(0, &record_, &list_);
    }
    static std::pair<std::string, std::string> YearGenre()
    {
        const char *year = nullptr;
        const char *genre = nullptr;
        http_LastEntryYearGenre(&year, &genre);
        return {year, genre};
    }

    void TearDown() override
    {
        http_SetProtocolLevel(4);
        unsetenv("OSTRELLE_TEST_IDLE_LIMIT_MS");
        unsetenv("OSTRELLE_TEST_TOTAL_LIMIT_MS");
        winmsg::SetMessagePump({});
        FreeCddbQuery(&query_);
        FreeDiscInfo(&info_);
        FreeCddbList(&list_);
    }

    std::unique_ptr<CddbServerProcess> server_;
    ServerTexts texts_;
    TCddbServer record_{};
    TCDDBQuery query_{};
    TDiscInfo info_{};
    TCddbList list_{};
};

} // namespace

TEST_F(CddbLevels, TheLevelDecidesTheTextsTheExtrasAndTheirEncoding)
{
    Start();
    // Level 4, as specified: Windows-1252 texts, what Latin-1 lacks already "?" at the server.
    ASSERT_EQ(Query(kUtf8Disc), CDDB_EXACT);
    EXPECT_STREQ(query_.Matches[0].Artist, "AC/DC");
    EXPECT_STREQ(query_.Matches[0].Title, "Back in Black");
    ASSERT_EQ(Read("misc", "1b031e03"), CDDB_OK);
    ASSERT_EQ(info_.Count, 3);
    EXPECT_STREQ(info_.TrackTitles[1], "L?\xe9t\xe9 ? d\xe9j\xe0?");
    EXPECT_STREQ(info_.TrackTitles[2], "????");
    EXPECT_STREQ(info_.ExtData, "Premi\xe8re ligne\nseconde ligne");
    EXPECT_STREQ(info_.TrackExtData[0], "IV. Adagio \\ Allegro");
    EXPECT_STREQ(info_.TrackExtData[1], "avant\tapr\xe8s");
    EXPECT_EQ(YearGenre(), std::make_pair(std::string(), std::string()));

    EXPECT_EQ(http_SetProtocolLevel(5), 5);
    ASSERT_EQ(Read("misc", "1b031e03"), CDDB_OK);
    EXPECT_EQ(YearGenre(), std::make_pair(std::string("1980"), std::string("Hard Rock")));
    EXPECT_STREQ(info_.TrackTitles[2], "????");

    EXPECT_EQ(http_SetProtocolLevel(6), 6);
    EXPECT_EQ(http_SetProtocolLevel(7), 6);
    EXPECT_EQ(http_SetProtocolLevel(0), 6);
    ASSERT_EQ(Read("misc", "1b031e03"), CDDB_OK);
    EXPECT_STREQ(info_.TrackTitles[1], "L’été – déjà…");
    EXPECT_STREQ(info_.TrackTitles[2], "東京の夜");
    EXPECT_STREQ(info_.TrackExtData[1], "avant\taprès");
    EXPECT_NE(server_->RequestLog().find("cmd=cddb+read+misc+1b031e03&hello=tester+testhost+Ostrelle+1.4Beta4"
                                         "&proto=6 HTTP/1.0"),
              std::string::npos);

    // A charset named in the reply wins: Latin-1 at level 6, UTF-8 at level 4.
    Start({.replies = {R"({"body": "210 misc 1 entry\r\nTTITLE0=d\u00e9j\u00e0\r\n.\r\n"})",
                       R"({"body": "210 misc 1 entry\r\nTTITLE0=L\u2019\u00e9t\u00e9 \u6771\r\n.\r\n",
                           "encoding": "utf-8"})"}});
    ASSERT_EQ(Read("misc", "1"), CDDB_OK);
    EXPECT_STREQ(info_.TrackTitles[0], "déjà");
    http_SetProtocolLevel(4);
    ASSERT_EQ(Read("misc", "1"), CDDB_OK);
    EXPECT_STREQ(info_.TrackTitles[0], "L\x92\xe9t\xe9 ?");
}

TEST_F(CddbLevels, TheServerIsAsStrictAsRealOnes)
{
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("cddb-strict-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::copy(FixtureDir() + "/rock", dir / "rock");
    std::filesystem::copy(FixtureDir() + "/rock", dir / "jazz");
    {
        // Four EXTT groups for three tracks: no real server would hold it.
        std::ifstream in(FixtureDir() + "/folk/0c038703", std::ios::binary);
        std::ofstream out(dir / "rock" / "0c038703", std::ios::binary);
        out << in.rdbuf() << "EXTT3=no such track\n";
    }
    Start({.dataDir = dir.string()});
    EXPECT_EQ(Read("rock", "0c038703"), CDDB_CORRUPT);
    EXPECT_EQ(Query(TocFromFrames({150, 22500, 45075}, 67890)), CDDB_CORRUPT);
    EXPECT_EQ(Read("notacategory", "0c038703"), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "le serveur a r\xe9pondu \xab 501 Invalid category: notacategory. \xbb");
    // Several exact matches are a 210 list from level 4 on, a 211 one below.
    const TCdToc twoCategories = TocFromFrames({150, 14645}, 34510);
    EXPECT_EQ(Query(twoCategories), CDDB_EXACT_MULTIPLE);
    http_SetProtocolLevel(3);
    EXPECT_EQ(Query(twoCategories), CDDB_INEXACT);
    EXPECT_EQ(query_.Count, 2);
    std::filesystem::remove_all(dir);
}

TEST_F(CddbLevels, EveryFailureSaysWhy)
{
    Start({.replies = {R"({"refuse_hello": 433})", R"({"refuse_hello": 500})", R"({"status": 500})"}});
    const TCdToc toc = TocFromFrames({150, 14645}, 34510);
    EXPECT_EQ(Query(toc), CDDB_FAILED);
    EXPECT_STREQ(
        http_LastError(),
        "le serveur a r\xe9pondu \xab 433 No connections allowed: 0 users allowed, 0 currently active. \xbb");
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "le serveur a r\xe9pondu \xab 500 Unknown application \xbb");
    EXPECT_EQ(Read("rock", "1101ca02"), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "statut HTTP 500 Internal Server Error");
    EXPECT_EQ(Read("rock", "deadbeef"), CDDB_ENTRY_NOT_FOUND);
    EXPECT_STREQ(http_LastError(),
                 "le serveur a r\xe9pondu \xab 401 rock deadbeef No such CD entry in database. \xbb");
    EXPECT_EQ(Query(toc), CDDB_EXACT_MULTIPLE);
    EXPECT_STREQ(http_LastError(), "");

    winmsg::SetMessagePump([] { http_Abort(); });
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "requ\xeate abandonn\xe9"
                                   "e");
    winmsg::SetMessagePump({});

    // At level 6 the library's own texts are UTF-8 too.
    http_SetProtocolLevel(6);
    const std::string port = std::to_string(server_->Port());
    server_.reset();
    texts_.server = "127.0.0.1:" + port;
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "connexion refusée");
    texts_.server = "no-such-host..invalid";
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "nom d'hôte inconnu");
}

TEST_F(CddbLevels, ARequestFailsOnlyWhenNothingArrivesForTheIdleLimit)
{
    setenv("OSTRELLE_TEST_IDLE_LIMIT_MS", "400", 1);
    Start({.replies = {R"({"silent": true})", R"({"body": "210 OK\r\nsite one\r\n.\r\n", "drip": 0.1})"}});
    ProgressWindow window;
    record_ = texts_.Record();
    EXPECT_EQ(http_sites(window.Handle(), &record_, &list_), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "d\xe9lai d\xe9pass\xe9");
    EXPECT_EQ(window.messages, (std::vector<ProgressWindow::Message>{{3, 1}}));
    // A reply dripped a byte every 100 ms takes far longer than the limit, yet never stops for it.
    ASSERT_EQ(Sites(), CDDB_OK);
    ASSERT_EQ(list_.Count, 1);
    EXPECT_STREQ(list_.Items[0], "site one");
}

TEST_F(CddbLevels, ARequestThatNeverEndsFailsAtTheTotalLimit)
{
    // A byte every 100 ms keeps the idle limit away for ever; the total limit still ends it.
    setenv("OSTRELLE_TEST_TOTAL_LIMIT_MS", "800", 1);
    Start({.replies = {R"({"body": "210 OK\r\nsite one\r\nsite two\r\n.\r\n", "drip": 0.1})"}});
    EXPECT_EQ(Sites(), CDDB_FAILED);
    EXPECT_STREQ(http_LastError(), "d\xe9lai total d\xe9pass\xe9");
    EXPECT_EQ(list_.Count, 0);
    unsetenv("OSTRELLE_TEST_TOTAL_LIMIT_MS");
    ASSERT_EQ(Sites(), CDDB_OK);
    EXPECT_EQ(list_.Count, 2);
}

TEST_F(CddbLevels, BracketedIpv6Literals)
{
    Start({.host = "::1"});
    ASSERT_EQ(texts_.server.rfind("[::1]:", 0), 0u);
    ASSERT_EQ(Sites(), CDDB_OK);
    EXPECT_EQ(list_.Count, 2);
    EXPECT_NE(server_->RequestLog().find("Host: " + server_->Address() + "\n"), std::string::npos);
}
