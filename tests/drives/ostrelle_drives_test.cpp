// Ostrelle's drive and player exports through the real ASPI layer on the virtual drives.

#include "drives_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <discid/discid.h>
#include <filesystem>
#include <memory>

#include <cdio_handle.h>
#include <gtest/gtest.h>
#include <ostrelle/ostrelle.h>

namespace {

using namespace drivestest;
using namespace std::chrono_literals;

TCdDrive DriveOf(size_t index)
{
    return TCdDrive{static_cast<uint8_t>(index), 0, 0, nullptr, nullptr, nullptr, nullptr};
}

TCdToc TocOf(const std::string &name)
{
    TCdToc toc{};
    const TCdDrive drive = DriveOf(IndexOf(DiscPath(name)));
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE) << name;
    return toc;
}

int32_t Frames(const TTocEntry &entry)
{
    return entry.Minute * 4500 + entry.Second * 75 + entry.Frame;
}

// The freedb ID that libdiscid computes from the offsets libcdio reads from the image itself.
std::string LibdiscidFreedbId(const std::string &cue)
{
    const platform::CdioPtr cdio(cdio_open(cue.c_str(), DRIVER_BINCUE));
    EXPECT_TRUE(cdio);
    if (!cdio)
        return {};
    const int first = cdio_get_first_track_num(cdio.get());
    const int last = cdio_get_last_track_num(cdio.get());
    int offsets[100] = {};
    offsets[0] = cdio_get_track_lba(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    for (int t = first; t <= last; ++t)
        offsets[t] = cdio_get_track_lba(cdio.get(), static_cast<track_t>(t));
    std::unique_ptr<DiscId, void (*)(DiscId *)> disc(discid_new(), discid_free);
    EXPECT_TRUE(discid_put(disc.get(), first, last, offsets));
    return discid_get_freedb_id(disc.get());
}

TEST(OstrelleDrives, ListsEveryCatalogueDriveAsAnAdapterOfItsOwn)
{
    TCdDriveList list{};
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    ASSERT_EQ(list.Count, std::min<size_t>(drives::DriveCount(), OSTRELLE_MAX_DRIVES));
    const size_t demo = IndexOf(DiscPath("demo"));
    ASSERT_LT(demo, list.Count);
    const TCdDrive &drive = list.Drives[demo];
    EXPECT_EQ(drive.HaId, demo);
    EXPECT_EQ(drive.Target, 0);
    EXPECT_EQ(drive.Lun, 0);
    EXPECT_STREQ(drive.Vendor, "QUAVREL ");
    EXPECT_STREQ(drive.Product, "Virtual CD-ROM  ");
    EXPECT_STREQ(drive.Revision, "1.0 ");
    EXPECT_EQ(std::string(drive.VendorSpecific).rfind("demo.cue", 0), 0u);
}

TEST(OstrelleDrives, DemoDiscTocAndDiscIdAgreeWithLibcdioAndLibdiscid)
{
    const TCdToc toc = TocOf("demo");
    drives::DiscToc expected;
    ASSERT_EQ(drives::ReadToc(IndexOf(DiscPath("demo")), expected), drives::DriveError::None);
    ASSERT_EQ(toc.Count, expected.tracks.size());
    for (size_t i = 0; i < expected.tracks.size(); ++i) {
        EXPECT_EQ(Frames(toc.Tracks[i]), expected.tracks[i].startLba + 150) << "track " << i + 1;
        EXPECT_EQ(toc.Tracks[i].Audio, OSTRELLE_TRUE);
    }
    EXPECT_EQ(Frames(toc.LeadOut), expected.leadOutLba + 150);
    EXPECT_EQ(toc.LeadOut.Audio, OSTRELLE_FALSE);

    char id[9];
    std::snprintf(id, sizeof id, "%08x", CalcDiscID(&toc));
    EXPECT_EQ(id, LibdiscidFreedbId(DiscPath("demo")));
    // The demo disc's CDDB entry is filed under that ID.
    EXPECT_TRUE(std::filesystem::exists(std::string(std::getenv("QUAVREL_DATA_DIR")) + "/cddb/misc/" + id))
        << id;
}

TEST(OstrelleDrives, DataTracksAreFlaggedOnMixedModeAndEnhancedDiscs)
{
    const TCdToc mixed = TocOf("mixed");
    ASSERT_EQ(mixed.Count, 3);
    EXPECT_EQ(mixed.Tracks[0].Audio, OSTRELLE_FALSE);
    EXPECT_EQ(mixed.Tracks[1].Audio, OSTRELLE_TRUE);
    EXPECT_EQ(mixed.Tracks[2].Audio, OSTRELLE_TRUE);

    const TCdToc enhanced = TocOf("enhanced");
    ASSERT_EQ(enhanced.Count, 3);
    EXPECT_EQ(enhanced.Tracks[0].Audio, OSTRELLE_TRUE);
    EXPECT_EQ(enhanced.Tracks[1].Audio, OSTRELLE_TRUE);
    EXPECT_EQ(enhanced.Tracks[2].Audio, OSTRELLE_FALSE);
}

class OstrellePlayer : public ::testing::Test {
  protected:
    void TearDown() override
    {
        drives::CloseTray(index);
        drives::Stop(index);
    }
    size_t index = IndexOf(DiscPath("demo"));
    TCdDrive drive = DriveOf(index);
};

TEST_F(OstrellePlayer, OpenTrayMeansNoDisc)
{
    ASSERT_EQ(drives::OpenTray(index), drives::DriveError::None);
    TCdToc toc;
    std::memset(&toc, 0xEE, sizeof toc);
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_TRUE);
    EXPECT_EQ(toc.Count, 0);
    EXPECT_EQ(Frames(toc.LeadOut), 0);
    const TCdToc demo = [] {
        TCdToc t{};
        t.Count = 1;
        t.Tracks[0] = {0, 2, 0, OSTRELLE_TRUE};
        t.LeadOut = {0, 5, 0, OSTRELLE_FALSE};
        return t;
    }();
    EXPECT_EQ(PlayTrack(&drive, &demo, 1), OSTRELLE_FALSE);
    TCdPosition position{};
    EXPECT_EQ(GetPosition(&drive, &position), OSTRELLE_FALSE);

    ASSERT_EQ(drives::CloseTray(index), drives::DriveError::None);
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);
    EXPECT_GT(toc.Count, 0);
}

TEST_F(OstrellePlayer, PlayPauseResumeAndStopMoveThePlayClock)
{
    ManualClock clock;
    const TCdToc toc = TocOf("demo");
    TCdPosition position{};

    ASSERT_EQ(PlayTrack(&drive, &toc, 2), OSTRELLE_TRUE);
    clock.Advance(3s);
    ASSERT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    EXPECT_EQ(position.Track, 2);
    EXPECT_EQ(position.AbsMinute * 4500 + position.AbsSecond * 75 + position.AbsFrame,
              Frames(toc.Tracks[1]) + 225);
    EXPECT_EQ(position.RelMinute, 0);
    EXPECT_EQ(position.RelSecond, 3);
    EXPECT_EQ(position.RelFrame, 0);

    EXPECT_EQ(Pause(&drive), OSTRELLE_TRUE);
    clock.Advance(2s);
    GetPosition(&drive, &position);
    EXPECT_EQ(position.RelSecond, 3);
    EXPECT_EQ(Resume(&drive), OSTRELLE_TRUE);
    clock.Advance(2s);
    GetPosition(&drive, &position);
    EXPECT_EQ(position.RelSecond, 5);

    EXPECT_EQ(Stop(&drive), OSTRELLE_TRUE);
    EXPECT_EQ(Pause(&drive), OSTRELLE_FALSE); // nothing playing: the drive answers with sense
    EXPECT_EQ(Resume(&drive), OSTRELLE_FALSE);

    // The last track plays to the lead-out.
    ASSERT_EQ(PlayTrack(&drive, &toc, toc.Count), OSTRELLE_TRUE);
    clock.Advance(10min);
    ASSERT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    EXPECT_EQ(position.Track, toc.Count);
    EXPECT_EQ(position.AbsMinute * 4500 + position.AbsSecond * 75 + position.AbsFrame, Frames(toc.LeadOut));
}

TEST_F(OstrellePlayer, DataTrackIsNotPlayed)
{
    const TCdToc mixed = TocOf("mixed");
    const TCdDrive mixedDrive = DriveOf(IndexOf(DiscPath("mixed")));
    EXPECT_EQ(PlayTrack(&mixedDrive, &mixed, 1), OSTRELLE_FALSE);
    EXPECT_EQ(PlayTrack(&mixedDrive, &mixed, 2), OSTRELLE_TRUE);
    EXPECT_EQ(Stop(&mixedDrive), OSTRELLE_TRUE);
}

} // namespace
