// Tray, lock and audio play of a virtual drive, and the notices the shared drive state sends.

#include "cdrip_linked.h"
#include "cdrip_test_support.h"
#include "drive_catalogue.h"

namespace cdriptest {
namespace {

class DriveControlTest : public CdRipFixture {
  protected:
    void SetUp() override
    {
        CdRipFixture::SetUp();
        UseDisc("demo");
        listener_ = drives::AddMediumListener([this](size_t index, bool arrived) {
            notices_.emplace_back(static_cast<int32_t>(index), arrived);
        });
    }

    void TearDown() override
    {
        drives::RemoveMediumListener(listener_);
        CdRipFixture::TearDown();
    }

    int listener_ = 0;
    std::vector<std::pair<int32_t, bool>> notices_;
};

TEST_F(DriveControlTest, OpeningTheTrayRemovesTheMediumAndClosingRestoresIt)
{
    const int32_t demo = DriveIndexOf("demo");
    TCdInfo info;
    ASSERT_EQ(ReadCdInfo(info), kCdInfoRead);

    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 0);
    EXPECT_EQ(::CR_IsMediaLoaded(), 0) << "the linked variant sees the same drive";
    EXPECT_EQ(notices_, (std::vector<std::pair<int32_t, bool>>{{demo, false}}));
    EXPECT_EQ(ReadCdInfo(info), kCdInfoNoMedium);
    EXPECT_EQ(info.TrackCount, 0);
    int32_t bytes = 0;
    EXPECT_EQ(cdrip3::CR_OpenRipper(&bytes, 0, 10), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_GetSenseKey(), 2);

    EXPECT_EQ(cdrip3::CR_EjectCD(0), CDRIP_OK);
    EXPECT_EQ(notices_, (std::vector<std::pair<int32_t, bool>>{{demo, false}, {demo, true}}));
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 1);
    EXPECT_EQ(ReadCdInfo(info), kCdInfoRead);
}

TEST_F(DriveControlTest, PlayPauseResumeAndStopFollowTheDrive)
{
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 0);
    EXPECT_EQ(cdrip3::CR_PauseCD(1), CDRIP_ERROR) << "nothing to pause";
    ASSERT_EQ(cdrip3::CR_PlayTrack(2), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 1);
    EXPECT_EQ(cdrip3::CR_DriveStatus(), CDRIP_AUDIO_PLAYING);
    int32_t status = 0;
    int32_t track = 0;
    int32_t sector = -1;
    ASSERT_EQ(cdrip3::CR_GetSubChannelTrackInfo(&status, &track, &sector), CDRIP_OK);
    EXPECT_EQ(track, 2);
    EXPECT_EQ(sector, ParseCue("demo").tracks[1].start);

    ASSERT_EQ(cdrip3::CR_PauseCD(1), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_DriveStatus(), 18);
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 1) << "a paused play can still be stopped";
    ASSERT_EQ(cdrip3::CR_PauseCD(0), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_DriveStatus(), CDRIP_AUDIO_PLAYING);
    ASSERT_EQ(cdrip3::CR_StopPlayTrack(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 0);

    EXPECT_EQ(cdrip3::CR_PlayTrack(99), CDRIP_ERROR);
    UseDisc("mixed");
    EXPECT_EQ(cdrip3::CR_PlayTrack(1), CDRIP_ERROR) << "track 1 of the mixed-mode disc holds data";
    EXPECT_EQ(cdrip3::CR_GetSenseKey(), 5);
}

TEST_F(DriveControlTest, ALockedTrayStaysShut)
{
    ASSERT_EQ(cdrip3::CR_LockCD(1), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 1);
    EXPECT_TRUE(notices_.empty());
    ASSERT_EQ(cdrip3::CR_LockCD(0), CDRIP_OK);

    // Asked for in the parameters, the tray stays locked while a ripper is open.
    TCDRomParams params{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    params.LockDuringRip = 1;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&params), CDRIP_OK);
    int32_t bytes = 0;
    ASSERT_EQ(cdrip3::CR_OpenRipper(&bytes, 0, 100), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_ERROR);
    ASSERT_EQ(cdrip3::CR_CloseRipper(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_OK);
}

} // namespace
} // namespace cdriptest
