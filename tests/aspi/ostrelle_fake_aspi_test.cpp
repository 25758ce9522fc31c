// Ostrelle's drive and player exports against a scripted ASPI layer: the exact request blocks
// they send and how they read the replies.

#include "fake_aspi.h"

#include <aspi_srb.h>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <ostrelle/ostrelle.h>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kNoMediumSense = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00};

Bytes Cdb(const FakeAspiRequest &request)
{
    return Bytes(request.cdb, request.cdb + request.cdbLength);
}

// A READ TOC (MSF) reply: header, then one descriptor per entry of (control, M, S, F).
Bytes TocReply(uint8_t lastTrack, const std::vector<std::array<uint8_t, 4>> &descriptors)
{
    Bytes reply(4 + 8 * descriptors.size(), 0);
    reply[2] = 1;
    reply[3] = lastTrack;
    for (size_t i = 0; i < descriptors.size(); ++i) {
        uint8_t *d = reply.data() + 4 + 8 * i;
        d[1] = descriptors[i][0];
        d[2] = static_cast<uint8_t>(i + 1);
        d[5] = descriptors[i][1];
        d[6] = descriptors[i][2];
        d[7] = descriptors[i][3];
    }
    return reply;
}

class OstrelleOverFakeAspi : public ::testing::Test {
  protected:
    void SetUp() override { fake.Reset(); }

    // One adapter with n CD-ROM devices at target 0, LUNs 0..n-1.
    void Drives(int n)
    {
        fake.SetSupportInfo(SS_COMP << 8 | 1);
        fake.SetAdapter(0, SS_COMP, 1);
        for (int l = 0; l < n; ++l)
            fake.AddDevice(0, 0, static_cast<uint8_t>(l), DTYPE_CDROM);
    }

    const FakeAspi &fake = TheFakeAspi();
    TCdDrive drive{1, 2, 3, nullptr, nullptr, nullptr, nullptr};
};

TEST_F(OstrelleOverFakeAspi, AspiInstalledTrustsOnlyACompletedSupportInfo)
{
    fake.SetSupportInfo(0x0103);
    EXPECT_EQ(AspiInstalled(), 3);
    fake.SetSupportInfo(0x0203); // status 2, count byte still 3
    EXPECT_EQ(AspiInstalled(), -1);
    fake.SetSupportInfo(SS_NO_ADAPTERS << 8);
    EXPECT_EQ(AspiInstalled(), -1);
}

TEST_F(OstrelleOverFakeAspi, ScanCoversSevenTargetsWhenTheAdapterReportsNoneAndSkipsFailedAdapters)
{
    fake.SetSupportInfo(SS_COMP << 8 | 2);
    fake.SetAdapter(0, SS_COMP, 0);
    fake.SetAdapter(1, SS_ERR, 4);
    fake.AddDevice(0, 6, 64, DTYPE_CDROM);
    fake.AddDevice(0, 3, 0, 0x00); // a disk: not listed

    TCdDriveList list{};
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    ASSERT_EQ(list.Count, 1);
    EXPECT_EQ(list.Drives[0].HaId, 0);
    EXPECT_EQ(list.Drives[0].Target, 6);
    EXPECT_EQ(list.Drives[0].Lun, 64);

    const auto types = fake.Requests(SC_GET_DEV_TYPE);
    ASSERT_EQ(types.size(), 7u * 65u);
    for (size_t i = 0; i < types.size(); ++i) {
        EXPECT_EQ(types[i].haId, 0);
        EXPECT_EQ(types[i].target, i / 65);
        EXPECT_EQ(types[i].lun, i % 65);
    }
    EXPECT_EQ(fake.Requests(SC_HA_INQUIRY).size(), 2u);
}

TEST_F(OstrelleOverFakeAspi, InquirySendsTheRequestBlockAndCutsTextsAtTheirFirstNul)
{
    Drives(1);
    Bytes inquiry(100, 0);
    std::memcpy(&inquiry[8], "ABC", 3);
    std::memcpy(&inquiry[16], "CD-ROM DRIVE    ", 16);
    std::memcpy(&inquiry[32], "1.0 ", 4);
    std::memcpy(&inquiry[36], "SERIAL 1234567890ABCDEFG", 24); // 20 bytes belong to the field
    fake.Reply(0x12, inquiry);

    TCdDriveList list{};
    ASSERT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    ASSERT_EQ(list.Count, 1);
    EXPECT_STREQ(list.Drives[0].Vendor, "ABC");
    EXPECT_STREQ(list.Drives[0].Product, "CD-ROM DRIVE    ");
    EXPECT_STREQ(list.Drives[0].Revision, "1.0 ");
    EXPECT_STREQ(list.Drives[0].VendorSpecific, "SERIAL 1234567890ABC");

    const auto exec = fake.Requests(SC_EXEC_SCSI_CMD);
    ASSERT_EQ(exec.size(), 1u);
    EXPECT_EQ(Cdb(exec[0]), (Bytes{0x12, 0, 0, 0, 100, 0}));
    EXPECT_EQ(exec[0].flags, 0x48);
    EXPECT_EQ(exec[0].bufferLength, 100u);
    EXPECT_EQ(exec[0].senseLength, 14);
    EXPECT_TRUE(exec[0].hasEvent);
}

TEST_F(OstrelleOverFakeAspi, AFailedInquiryStillListsTheDriveButFailsTheEnumeration)
{
    Drives(2);
    fake.Reply(0x12, {}, kNoMediumSense);
    Bytes second(100, 0);
    std::memcpy(&second[8], "VENDOR2 ", 8);
    fake.Reply(0x12, second);

    TCdDriveList list{};
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_FALSE);
    ASSERT_EQ(list.Count, 2);
    EXPECT_EQ(list.Drives[0].Lun, 0);
    EXPECT_STREQ(list.Drives[0].Vendor, "");
    EXPECT_EQ(list.Drives[1].Lun, 1);
    EXPECT_STREQ(list.Drives[1].Vendor, "VENDOR2 ");
}

TEST_F(OstrelleOverFakeAspi, EnumerationStopsWhenTheListIsFull)
{
    Drives(30);
    TCdDriveList list{};
    EXPECT_EQ(GetCdRomDrives(&list), OSTRELLE_TRUE);
    EXPECT_EQ(list.Count, OSTRELLE_MAX_DRIVES);
    EXPECT_EQ(fake.Requests(SC_EXEC_SCSI_CMD).size(), size_t{OSTRELLE_MAX_DRIVES});
    EXPECT_EQ(list.Drives[25].Lun, 25);
}

TEST_F(OstrelleOverFakeAspi, ReadTocSendsMsfReadTocAndFillsNinetyNineTracks)
{
    std::vector<std::array<uint8_t, 4>> descriptors;
    descriptors.push_back({0x14, 0, 2, 0}); // a data track first
    for (int i = 1; i < 99; ++i)
        descriptors.push_back(
            {0x10, static_cast<uint8_t>(i), static_cast<uint8_t>(i % 60), static_cast<uint8_t>(i % 75)});
    descriptors.push_back({0x10, 99, 59, 74}); // lead-out: descriptor 99
    fake.Reply(0x43, TocReply(99, descriptors));

    TCdToc toc;
    std::memset(&toc, 0xEE, sizeof toc);
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);

    const auto exec = fake.Requests(SC_EXEC_SCSI_CMD);
    ASSERT_EQ(exec.size(), 1u);
    EXPECT_EQ(Cdb(exec[0]), (Bytes{0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0}));
    EXPECT_EQ(exec[0].bufferLength, 804u);
    EXPECT_EQ(exec[0].haId, 1);
    EXPECT_EQ(exec[0].target, 2);
    EXPECT_EQ(exec[0].lun, 3);

    ASSERT_EQ(toc.Count, 99);
    EXPECT_EQ(toc.Tracks[0].Audio, OSTRELLE_FALSE);
    EXPECT_EQ(toc.Tracks[0].Second, 2);
    for (int i = 1; i < 99; ++i) {
        EXPECT_EQ(toc.Tracks[i].Minute, i);
        EXPECT_EQ(toc.Tracks[i].Frame, i % 75);
        EXPECT_EQ(toc.Tracks[i].Audio, OSTRELLE_TRUE);
    }
    EXPECT_EQ(toc.LeadOut.Minute, 99);
    EXPECT_EQ(toc.LeadOut.Second, 59);
    EXPECT_EQ(toc.LeadOut.Frame, 74);
    EXPECT_EQ(toc.LeadOut.Audio, OSTRELLE_FALSE);
    EXPECT_EQ(toc.Tracks[99].Minute, 0); // entries from Count on are zero
}

TEST_F(OstrelleOverFakeAspi, ReadTocClampsAnImpossibleTrackCount)
{
    std::vector<std::array<uint8_t, 4>> descriptors(100, {0x10, 1, 2, 3});
    Bytes reply = TocReply(0xFF, descriptors);
    fake.Reply(0x43, reply);

    TCdToc toc{};
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);
    EXPECT_EQ(toc.Count, 99);
    EXPECT_EQ(toc.LeadOut.Minute, 1);
    EXPECT_EQ(toc.LeadOut.Frame, 3);
}

TEST_F(OstrelleOverFakeAspi, ReadTocReportsSenseAsFailureEvenWhenTheReplyComesLater)
{
    fake.Reply(0x43, {}, kNoMediumSense);
    TCdToc toc{};
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_TRUE);
    EXPECT_EQ(toc.Count, 0);

    // Left pending and completed from another thread: only a caller that waits sees the sense.
    fake.Reply(0x43, {}, kNoMediumSense, true);
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_TRUE);

    fake.Reply(0x43, TocReply(1, {{0x10, 0, 2, 0}, {0x10, 3, 0, 0}}), {}, true);
    EXPECT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);
    EXPECT_EQ(toc.Count, 1);
    EXPECT_EQ(toc.LeadOut.Minute, 3);
}

TEST_F(OstrelleOverFakeAspi, PlayTrackSendsTheTrackRangeAndEndsTheLastTrackAtTheLeadOut)
{
    TCdToc toc{};
    toc.Count = 3;
    toc.Tracks[0] = {0, 2, 0, OSTRELLE_TRUE};
    toc.Tracks[1] = {4, 10, 5, OSTRELLE_TRUE};
    toc.Tracks[2] = {7, 30, 60, OSTRELLE_TRUE};
    toc.LeadOut = {9, 1, 2, OSTRELLE_FALSE};

    EXPECT_EQ(PlayTrack(&drive, &toc, 2), OSTRELLE_TRUE);
    EXPECT_EQ(PlayTrack(&drive, &toc, 3), OSTRELLE_TRUE);
    fake.Reply(0x47, {}, {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x64, 0});
    EXPECT_EQ(PlayTrack(&drive, &toc, 1), OSTRELLE_FALSE);

    const auto exec = fake.Requests(SC_EXEC_SCSI_CMD);
    ASSERT_EQ(exec.size(), 3u);
    EXPECT_EQ(Cdb(exec[0]), (Bytes{0x47, 0, 0, 4, 10, 5, 7, 30, 60, 0}));
    EXPECT_EQ(Cdb(exec[1]), (Bytes{0x47, 0, 0, 7, 30, 60, 9, 1, 2, 0}));
    EXPECT_EQ(exec[0].bufferLength, 0u);
    EXPECT_FALSE(exec[0].hasBuffer);
    EXPECT_EQ(exec[0].flags, 0x48);
    EXPECT_EQ(exec[0].senseLength, 14);

    // Outside 1..Count nothing is sent.
    EXPECT_EQ(PlayTrack(&drive, &toc, 0), OSTRELLE_FALSE);
    EXPECT_EQ(PlayTrack(&drive, &toc, 4), OSTRELLE_FALSE);
    EXPECT_EQ(PlayTrack(&drive, &toc, -1), OSTRELLE_FALSE);
    toc.Count = 255; // more than Tracks holds
    EXPECT_EQ(PlayTrack(&drive, &toc, 101), OSTRELLE_FALSE);
    EXPECT_EQ(fake.Requests(SC_EXEC_SCSI_CMD).size(), 3u);
    EXPECT_EQ(PlayTrack(&drive, &toc, 100), OSTRELLE_TRUE);
    EXPECT_EQ(Cdb(fake.Requests(SC_EXEC_SCSI_CMD).back()), (Bytes{0x47, 0, 0, 0, 0, 0, 9, 1, 2, 0}));
}

TEST_F(OstrelleOverFakeAspi, StopPauseAndResumeSendTheirCommands)
{
    EXPECT_EQ(Stop(&drive), OSTRELLE_TRUE);
    EXPECT_EQ(Pause(&drive), OSTRELLE_TRUE);
    fake.Reply(0x4B, {}, {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x2C, 0});
    EXPECT_EQ(Resume(&drive), OSTRELLE_FALSE);

    const auto exec = fake.Requests(SC_EXEC_SCSI_CMD);
    ASSERT_EQ(exec.size(), 3u);
    EXPECT_EQ(Cdb(exec[0]), (Bytes{0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Cdb(exec[1]), (Bytes{0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Cdb(exec[2]), (Bytes{0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0}));
}

TEST_F(OstrelleOverFakeAspi, GetPositionReadsTrackAndBothAddressesFromTheSubChannelReply)
{
    const Bytes reply = {0, 0x11, 0, 12, 1, 0x10, /*track*/ 5, /*index*/ 9, 0xAA, 1, 2, 3, 0xBB, 4, 5, 6};
    fake.Reply(0x42, reply);
    TCdPosition position{};
    EXPECT_EQ(GetPosition(&drive, &position), OSTRELLE_TRUE);
    EXPECT_EQ(position.Track, 5);
    EXPECT_EQ(position.AbsMinute, 1);
    EXPECT_EQ(position.AbsSecond, 2);
    EXPECT_EQ(position.AbsFrame, 3);
    EXPECT_EQ(position.RelMinute, 4);
    EXPECT_EQ(position.RelSecond, 5);
    EXPECT_EQ(position.RelFrame, 6);

    const auto exec = fake.Requests(SC_EXEC_SCSI_CMD);
    ASSERT_EQ(exec.size(), 1u);
    EXPECT_EQ(Cdb(exec[0]), (Bytes{0x42, 0x02, 0xFF, 0x01, 0, 0, 0, 0, 16, 0}));
    EXPECT_EQ(exec[0].bufferLength, 16u);

    fake.Reply(0x42, {}, kNoMediumSense);
    EXPECT_EQ(GetPosition(&drive, &position), OSTRELLE_FALSE);
}

} // namespace
