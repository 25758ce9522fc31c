// The demo disc, read through Ostrelle's drive exports, is found by the local CDDB server in the
// entry the generator wrote for it.

#include "cddb_server_process.h"
#include "drives_test_support.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <ostrelle/ostrelle.h>

namespace {

using namespace drivestest;

TEST(DemoDiscLookup, TheLocalServerKnowsTheDemoDisc)
{
    // The entries the generator wrote, served on a free loopback port.
    ostrelle_test::CddbServerProcess server(std::string(std::getenv("QUAVREL_DATA_DIR")) + "/cddb");

    const TCdDrive drive{
        static_cast<uint8_t>(IndexOf(DiscPath("demo"))), 0, 0, nullptr, nullptr, nullptr, nullptr};
    TCdToc toc{};
    ASSERT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);

    std::string host = server.Address();
    std::string path = "/~cddb/cddb.cgi";
    std::string user = "Quavrel";
    std::string machine = "localhost";
    const TCddbServer where{host.data(), path.data(), user.data(), machine.data()};
    TCDDBQuery query{};
    ASSERT_EQ(http_query(0, &where, &toc, &query), CDDB_EXACT);
    ASSERT_EQ(query.Count, 1);
    EXPECT_STREQ(query.Matches[0].Category, "misc");

    TDiscInfo info{};
    ASSERT_EQ(http_read(0, &where, &query.Matches[0], &info), CDDB_OK);
    EXPECT_STREQ(info.Artist, "Orchestre de d\xE9monstration");
    EXPECT_STREQ(info.Title, "Disque de d\xE9monstration");
    ASSERT_EQ(info.Count, toc.Count);
    EXPECT_STREQ(info.TrackTitles[3], "Accords d'\xE9t\xE9");
    FreeDiscInfo(&info);
    FreeCddbQuery(&query);
}

} // namespace
