// The release functions on zero-filled records and on records the exports filled. What they free
// is checked by LeakSanitizer in the sanitizer build; here, that the records are left empty.

#include "cddb_server_process.h"
#include "test_support.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace ostrelle_test;

namespace {

template <typename Record> bool IsZeroFilled(const Record &record)
{
    Record zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
}

} // namespace

TEST(Release, ZeroFilledRecordsStayZeroFilled)
{
    TCddbList list{};
    TCDDBQuery query{};
    TDiscInfo info{};
    FreeCddbList(&list);
    FreeCddbQuery(&query);
    FreeDiscInfo(&info);
    EXPECT_TRUE(IsZeroFilled(list));
    EXPECT_TRUE(IsZeroFilled(query));
    EXPECT_TRUE(IsZeroFilled(info));
    FreeCddbList(nullptr);
    FreeCddbQuery(nullptr);
    FreeDiscInfo(nullptr);
}

TEST(Release, FilledRecordsAreEmptied)
{
    CddbServerProcess server(
        {.replies = {
             R"({"body": "211 x\r\nrock 00000001 A / B\r\njazz 00000002 C / D\r\nmisc 00000003 E / F\r\n.\r\n"})",
             R"({"body": "210 x\r\nTTITLE0=a\r\nTTITLE1=b\r\nTTITLE2=c\r\nEXTT0=\r\nEXTT1=only one\r\nEXTD=d\r\n.\r\n"})",
         }});
    ServerTexts texts{.server = server.Address()};
    TCddbServer record = texts.Record();

    const TCdToc toc = TocFromFrames({150}, 9000);
    TCDDBQuery query{};
    ASSERT_EQ(http_query(0, &record, &toc, &query), CDDB_INEXACT);
    ASSERT_EQ(query.Count, 3);
    FreeCddbQuery(&query);
    EXPECT_TRUE(IsZeroFilled(query));

    TCddbMatch match{};
    TDiscInfo info{};
    ASSERT_EQ(http_read(0, &record, &match, &info), CDDB_OK);
    ASSERT_EQ(info.Count, 3);
    // An entry without an EXTT group stays null, and the release function skips it.
    EXPECT_STREQ(info.TrackExtData[0], "");
    EXPECT_STREQ(info.TrackExtData[1], "only one");
    EXPECT_EQ(info.TrackExtData[2], nullptr);
    FreeDiscInfo(&info);
    EXPECT_TRUE(IsZeroFilled(info));

    TCddbList list{};
    ASSERT_EQ(http_sites(0, &record, &list), CDDB_OK);
    EXPECT_EQ(list.Count, 2);
    FreeCddbList(&list);
    EXPECT_TRUE(IsZeroFilled(list));
}
