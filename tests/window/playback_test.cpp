// The player buttons on the demo disc and the mixed-mode disc, playing on the drive's analog
// output; the virtual drive's play clock shows what reached the drive.

#include "drive_catalogue.h"
#include "lookup_test_support.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "ui_TCDRipTestForm.h"

namespace {

class PlaybackTest : public LookupTest {
  protected:
    void SetUp() override
    {
        LookupTest::SetUp();
        OpenWindow();
        // The drive's own analog play, which the virtual drive's play clock shows.
        Window().Controls()->lectureanalogique->setChecked(true);
        SelectTrack(1);
        Window().SetStatusText(kUntouched);
    }
    void TearDown() override
    {
        for (size_t index = 0; index < drives::DriveCount(); ++index)
            drives::Stop(index);
        LookupTest::TearDown();
    }

    void SelectTrack(int track)
    {
        QTreeWidget *list = Window().Controls()->ListView1;
        list->clearSelection();
        if (track > 0)
            list->setCurrentItem(list->topLevelItem(track - 1));
    }

    void ChooseDrive(int index)
    {
        Window().Controls()->DriveSelBox->setCurrentIndex(index);
        emit Window().Controls()->DriveSelBox->activated(index);
    }

    drives::PlayState State(int drive = kDemoDrive) const
    {
        drives::PlayStatus status;
        EXPECT_EQ(drives::Position(static_cast<size_t>(drive), status), drives::DriveError::None);
        return status.state;
    }

    const QString kUntouched = QStringLiteral("avant");
};

TEST_F(PlaybackTest, PlayPauseResumeStopWithTheirTexts)
{
    TCDRipTestForm &window = Window();
    SelectTrack(3);
    window.Controls()->btnPlayTrack->click();
    EXPECT_EQ(window.StatusText(), kUntouched);
    ASSERT_EQ(State(), drives::PlayState::Playing);
    drives::PlayStatus status;
    drives::Position(kDemoDrive, status);
    EXPECT_EQ(status.startLba, window.CdInfo.Slot(3).StartSector);

    window.btnResumeClick();
    EXPECT_EQ(window.StatusText(), "Lecteur non en pause.");

    window.Controls()->btnPause->click();
    EXPECT_EQ(State(), drives::PlayState::Paused);
    window.SetStatusText(kUntouched);
    window.Controls()->btnResume->click();
    EXPECT_EQ(window.StatusText(), kUntouched);
    EXPECT_EQ(State(), drives::PlayState::Playing);

    window.Controls()->btnStopPlay->click();
    EXPECT_EQ(window.StatusText(), kUntouched);
    EXPECT_EQ(State(), drives::PlayState::Stopped);
    window.btnStopPlayClick();
    EXPECT_EQ(window.StatusText(), "Non joué");
    window.SetStatusText(kUntouched);
    window.btnPauseClick();
    EXPECT_EQ(window.StatusText(), "Non joué");
    EXPECT_EQ(State(), drives::PlayState::Stopped);
}

TEST_F(PlaybackTest, PlayNeedsAnAudioRowAndNoRip)
{
    TCDRipTestForm &window = Window();
    SelectTrack(0);
    window.btnPlayTrackClick();
    EXPECT_EQ(window.StatusText(), "Sélectionnez une piste.");
    EXPECT_EQ(State(), drives::PlayState::Stopped);

    SelectTrack(1);
    window.RipInProgress = true;
    window.btnPlayTrackClick();
    window.RipInProgress = false;
    EXPECT_EQ(messages_, QStringList{"Ripping en cours !"});
    EXPECT_EQ(State(), drives::PlayState::Stopped);

    ChooseDrive(kMixedDrive);
    ASSERT_EQ(window.CdInfo.Slot(1).IsAudio, 0);
    SelectTrack(1);
    window.btnPlayTrackClick();
    EXPECT_EQ(window.StatusText(), "La piste 1 n'est pas une psite audio");
    EXPECT_EQ(State(kMixedDrive), drives::PlayState::Stopped);

    SelectTrack(2);
    window.SetStatusText(kUntouched);
    window.btnPlayTrackClick();
    EXPECT_EQ(window.StatusText(), kUntouched);
    EXPECT_EQ(State(kMixedDrive), drives::PlayState::Playing);
}

} // namespace
