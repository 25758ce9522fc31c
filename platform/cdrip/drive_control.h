#pragma once
// Tray, lock, medium and audio play of one drive: virtual drives through the catalogue's shared
// state (which also tells medium listeners), real drives through libcdio's MMC commands.

#include "drive_catalogue.h"

#include <cstdint>
#include <memory>

namespace cdrip {

struct SenseData {
    int32_t key = 0;
    int32_t asc = 0;
    int32_t ascq = 0;
};

struct PlayReport {
    int32_t audioStatus = 0; // CDRIP_AUDIO_*
    int32_t sector = 0;      // current play position
};

class DriveControl {
  public:
    virtual ~DriveControl() = default;

    virtual bool MediumLoaded() = 0;
    virtual bool IsMmc() = 0;
    // Each returns true on success; a failure leaves its sense in LastSense().
    virtual bool Eject(bool open) = 0;
    virtual bool Lock(bool lock) = 0;
    // Plays [firstSector, endSector).
    virtual bool Play(int32_t firstSector, int32_t endSector) = 0;
    virtual bool Pause(bool pause) = 0;
    virtual bool Stop() = 0;
    virtual PlayReport Status() = 0;
    // The end (exclusive) of the last play range, to play on from another position.
    virtual int32_t PlayEnd() = 0;
    // Reads the sectors with the force-unit-access bit (RefreshFromDisc); false where the drive
    // refuses it or has no cache to refresh (an image).
    virtual bool RefreshAudio(int32_t, int32_t) { return false; }

    const SenseData &LastSense() const { return sense_; }

  protected:
    bool Fail(int32_t key, int32_t asc, int32_t ascq)
    {
        sense_ = {key, asc, ascq};
        return false;
    }
    bool Succeed()
    {
        sense_ = {};
        return true;
    }

  private:
    SenseData sense_;
};

std::unique_ptr<DriveControl> MakeVirtualDriveControl(size_t driveIndex);
std::unique_ptr<DriveControl> MakeRealDriveControl(const std::string &devicePath);

} // namespace cdrip
