// Ostrelle's drive and player exports on emulated drives: INQUIRY, READ TOC and the audio
// commands go through the ASPI layer's SG_IO path to what answers as a Linux sr device.

#include "emulated_drives.h"

#include <cstdio>
#include <discid/discid.h>
#include <memory>
#include <thread>

#include <cdio_handle.h>
#include <gtest/gtest.h>
#include <ostrelle/ostrelle.h>

namespace {

using emulatedtest::CuePath;
using emulatedtest::EmulatedDrives;
using namespace std::chrono_literals;

TCdDrive DriveOf(uint8_t adapter)
{
    return TCdDrive{adapter, 0, 0, nullptr, nullptr, nullptr, nullptr};
}

int32_t Frames(uint8_t minute, uint8_t second, uint8_t frame)
{
    return minute * 4500 + second * 75 + frame;
}

int32_t Frames(const TTocEntry &entry)
{
    return Frames(entry.Minute, entry.Second, entry.Frame);
}

struct ImageToc {
    int first = 0;
    int last = 0;
    std::vector<int32_t> offsets; // LBA (lead-in included, as libdiscid takes them); the lead-out last
    std::vector<bool> audio;
};

// Read from the image by libcdio's own image driver, not through any drive.
ImageToc TocOfImage(const std::string &name)
{
    ImageToc toc;
    const platform::CdioPtr cdio(cdio_open(CuePath(name).c_str(), DRIVER_BINCUE));
    EXPECT_TRUE(cdio);
    if (!cdio)
        return toc;
    toc.first = cdio_get_first_track_num(cdio.get());
    toc.last = cdio_get_last_track_num(cdio.get());
    for (int t = toc.first; t <= toc.last; ++t) {
        toc.offsets.push_back(cdio_get_track_lba(cdio.get(), static_cast<track_t>(t)));
        toc.audio.push_back(cdio_get_track_format(cdio.get(), static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO);
    }
    toc.offsets.push_back(cdio_get_track_lba(cdio.get(), CDIO_CDROM_LEADOUT_TRACK));
    return toc;
}

std::string FreedbId(const ImageToc &toc)
{
    int offsets[100] = {};
    offsets[0] = toc.offsets.back();
    for (size_t i = 0; i + 1 < toc.offsets.size(); ++i)
        offsets[toc.first + static_cast<int>(i)] = toc.offsets[i];
    std::unique_ptr<DiscId, void (*)(DiscId *)> disc(discid_new(), discid_free);
    EXPECT_TRUE(discid_put(disc.get(), toc.first, toc.last, offsets));
    return discid_get_freedb_id(disc.get());
}

int32_t AbsoluteFrames(const TCdPosition &position)
{
    return Frames(position.AbsMinute, position.AbsSecond, position.AbsFrame);
}

TEST(OstrelleEmulated, ListsTheDrivesWithTheirInquiryTextsAndReadsTheImagesTocs)
{
    EmulatedDrives drives({"demo", "mixed"});
    TCdDriveList list{};
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    ASSERT_EQ(list.Count, 2);
    for (uint8_t i = 0; i < 2; ++i) {
        EXPECT_EQ(list.Drives[i].HaId, i);
        EXPECT_STREQ(list.Drives[i].Vendor, "QUAVREL ");
        EXPECT_STREQ(list.Drives[i].Product, "Emulated CD-ROM ");
        EXPECT_STREQ(list.Drives[i].Revision, "2.0 ");
        EXPECT_STREQ(list.Drives[i].VendorSpecific, "kernel interface    ");
    }

    const char *names[] = {"demo", "mixed"};
    for (uint8_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        const ImageToc expected = TocOfImage(names[i]);
        const TCdDrive drive = DriveOf(i);
        TCdToc toc{};
        ASSERT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);
        ASSERT_EQ(toc.Count, expected.last);
        for (int t = 0; t < toc.Count; ++t) {
            EXPECT_EQ(Frames(toc.Tracks[t]), expected.offsets[static_cast<size_t>(t)]) << "track " << t + 1;
            EXPECT_EQ(toc.Tracks[t].Audio != 0, expected.audio[static_cast<size_t>(t)]) << "track " << t + 1;
        }
        EXPECT_EQ(Frames(toc.LeadOut), expected.offsets.back());
        char id[9];
        std::snprintf(id, sizeof id, "%08x", CalcDiscID(&toc));
        EXPECT_EQ(id, FreedbId(expected));
    }
}

TEST(OstrelleEmulated, PlayerCommandsMoveTheDrivesPlayClock)
{
    EmulatedDrives drives({"mixed"});
    const TCdDrive drive = DriveOf(0);
    TCdToc toc{};
    ASSERT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);

    EXPECT_EQ(PlayTrack(&drive, &toc, 1), OSTRELLE_FALSE) << "track 1 is data";
    EXPECT_EQ(Pause(&drive), OSTRELLE_FALSE) << "nothing plays";

    ASSERT_EQ(PlayTrack(&drive, &toc, 2), OSTRELLE_TRUE);
    TCdPosition position{};
    ASSERT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    EXPECT_EQ(position.Track, 2);
    const int32_t started = AbsoluteFrames(position);
    EXPECT_GE(started, Frames(toc.Tracks[1]));
    EXPECT_LT(started, Frames(toc.Tracks[2]));
    std::this_thread::sleep_for(100ms); // at least 7 frames of play
    ASSERT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    EXPECT_GT(AbsoluteFrames(position), started);

    ASSERT_EQ(Pause(&drive), OSTRELLE_TRUE);
    ASSERT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    const int32_t paused = AbsoluteFrames(position);
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    EXPECT_EQ(AbsoluteFrames(position), paused) << "the clock stands while paused";
    EXPECT_EQ(Frames(position.RelMinute, position.RelSecond, position.RelFrame),
              paused - Frames(toc.Tracks[1]));

    EXPECT_EQ(Resume(&drive), OSTRELLE_TRUE);
    EXPECT_EQ(Stop(&drive), OSTRELLE_TRUE);
    EXPECT_EQ(Resume(&drive), OSTRELLE_FALSE) << "nothing to resume after a stop";
    // The last track plays up to the lead-out.
    EXPECT_EQ(PlayTrack(&drive, &toc, toc.Count), OSTRELLE_TRUE);
    EXPECT_EQ(Stop(&drive), OSTRELLE_TRUE);
}

TEST(OstrelleEmulated, AnOpenTrayOrAnEmptyDriveHasNoToc)
{
    EmulatedDrives drives({"demo,tray=open", "demo,nomedium"});
    TCdDriveList list{};
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    EXPECT_EQ(list.Count, 2);
    for (uint8_t i = 0; i < 2; ++i) {
        const TCdDrive drive = DriveOf(i);
        TCdToc toc{};
        toc.Count = 7;
        EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_TRUE) << "drive " << int{i};
        EXPECT_EQ(toc.Count, 0);
        EXPECT_EQ(Frames(toc.LeadOut), 0);
        EXPECT_EQ(PlayTrack(&drive, &toc, 1), OSTRELLE_FALSE);
    }
}

} // namespace
