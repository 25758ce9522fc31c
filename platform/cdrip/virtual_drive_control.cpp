#include "cdrip_types.h"
#include "drive_control.h"

namespace cdrip {
namespace {

class VirtualDriveControl final : public DriveControl {
  public:
    explicit VirtualDriveControl(size_t index) : index_(index) {}

    bool MediumLoaded() override
    {
        drives::TrayStatus tray;
        return drives::GetTrayStatus(index_, tray) == drives::DriveError::None && tray.mediumPresent;
    }

    bool IsMmc() override { return true; }

    bool Eject(bool open) override
    {
        return Check(open ? drives::OpenTray(index_) : drives::CloseTray(index_));
    }
    bool Lock(bool lock) override { return Check(lock ? drives::Lock(index_) : drives::Unlock(index_)); }
    bool Play(int32_t firstSector, int32_t endSector) override
    {
        return Check(drives::Play(index_, firstSector, endSector));
    }
    bool Pause(bool pause) override { return Check(pause ? drives::Pause(index_) : drives::Resume(index_)); }
    bool Stop() override { return Check(drives::Stop(index_)); }

    PlayReport Status() override
    {
        drives::PlayStatus play;
        if (drives::Position(index_, play) != drives::DriveError::None)
            return {CDRIP_AUDIO_NO_STATUS, 0};
        switch (play.state) {
        case drives::PlayState::Playing:
            return {CDRIP_AUDIO_PLAYING, play.lba};
        case drives::PlayState::Paused:
            return {CDRIP_AUDIO_PAUSED, play.lba};
        case drives::PlayState::Completed:
            return {CDRIP_AUDIO_COMPLETED, play.lba};
        case drives::PlayState::Stopped:
            break;
        }
        return {CDRIP_AUDIO_NO_STATUS, play.lba};
    }

    int32_t PlayEnd() override
    {
        drives::PlayStatus play;
        return drives::Position(index_, play) == drives::DriveError::None ? play.endLba : 0;
    }

  private:
    // The sense a drive would return for each refusal.
    bool Check(drives::DriveError error)
    {
        using drives::DriveError;
        switch (error) {
        case DriveError::None:
            return Succeed();
        case DriveError::TrayOpen:
            return Fail(0x02, 0x3A, 0x02);
        case DriveError::NoMedium:
            return Fail(0x02, 0x3A, 0x00);
        case DriveError::Locked:
            return Fail(0x05, 0x53, 0x02);
        case DriveError::OutOfRange:
            return Fail(0x05, 0x21, 0x00);
        case DriveError::DataTrack:
            return Fail(0x05, 0x64, 0x00);
        case DriveError::NotPlaying:
            return Fail(0x05, 0x2C, 0x00);
        case DriveError::ReadError:
            return Fail(0x03, 0x11, 0x00);
        case DriveError::InvalidRange:
        case DriveError::NoSuchDrive:
        case DriveError::NotVirtual:
            break;
        }
        return Fail(0x05, 0x24, 0x00);
    }

    size_t index_;
};

} // namespace

std::unique_ptr<DriveControl> MakeVirtualDriveControl(size_t driveIndex)
{
    return std::make_unique<VirtualDriveControl>(driveIndex);
}

} // namespace cdrip
