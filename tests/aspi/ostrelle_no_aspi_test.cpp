// Ostrelle when "wnaspi32.dll" cannot be loaded: every drive export answers, none crashes.

#include <cstring>

#include <gtest/gtest.h>
#include <ostrelle/ostrelle.h>

TEST(OstrelleWithoutAspi, DriveExportsReportNoAspiAndSendNothing)
{
    EXPECT_EQ(AspiInstalled(), -1);

    TCdDriveList list;
    std::memset(&list, 0xEE, sizeof list);
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    EXPECT_EQ(list.Count, 0);

    const TCdDrive drive{};
    TCdToc toc;
    std::memset(&toc, 0xEE, sizeof toc);
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_TRUE);
    const TCdToc zero{};
    EXPECT_EQ(std::memcmp(&toc, &zero, sizeof toc), 0);

    toc.Count = 1;
    EXPECT_EQ(PlayTrack(&drive, &toc, 1), OSTRELLE_FALSE);
    EXPECT_EQ(Stop(&drive), OSTRELLE_FALSE);
    EXPECT_EQ(Pause(&drive), OSTRELLE_FALSE);
    EXPECT_EQ(Resume(&drive), OSTRELLE_FALSE);
    TCdPosition position{};
    EXPECT_EQ(GetPosition(&drive, &position), OSTRELLE_FALSE);
}
