#include "cdio_owners.h"
#include "cdrip_types.h"
#include "drive_control.h"
#include "drive_reads.h"

#include <cstdlib>
#include <string>

#include <cdio/audio.h>
#include <cdio/mmc.h>
#include <cdio/mmc_hl_cmds.h>
#include <cdio/mmc_ll_cmds.h>

namespace cdrip {
namespace {

class RealDriveControl final : public DriveControl {
  public:
    explicit RealDriveControl(std::string path) : path_(std::move(path)) {}

    bool MediumLoaded() override
    {
        CdIo_t *cdio = Device();
        return cdio && mmc_test_unit_ready(cdio, 0) == DRIVER_OP_SUCCESS;
    }

    bool IsMmc() override { return Device() != nullptr; }

    bool Eject(bool open) override
    {
        CdIo_t *cdio = Device();
        if (!cdio)
            return Fail(0x02, 0x04, 0x00);
        // START STOP UNIT alone: libcdio's mmc_eject_media allows medium removal first, which
        // would undo a lock.
        return Check(mmc_start_stop_unit(cdio, open, false, 0, 0));
    }

    bool Lock(bool lock) override
    {
        CdIo_t *cdio = Device();
        return cdio ? Check(mmc_prevent_allow_medium_removal(cdio, false, lock, 0)) : Fail(0x02, 0x04, 0x00);
    }

    bool Play(int32_t firstSector, int32_t endSector) override
    {
        CdIo_t *cdio = Device();
        if (!cdio)
            return Fail(0x02, 0x04, 0x00);
        if (endSector <= firstSector)
            return Fail(0x05, 0x24, 0x00);
        msf_t start;
        msf_t end;
        cdio_lsn_to_msf(firstSector, &start);
        cdio_lsn_to_msf(endSector, &end);
        if (!Check(cdio_audio_play_msf(cdio, &start, &end)))
            return false;
        playEnd_ = endSector;
        return true;
    }

    bool Pause(bool pause) override
    {
        CdIo_t *cdio = Device();
        if (!cdio)
            return Fail(0x02, 0x04, 0x00);
        return Check(pause ? cdio_audio_pause(cdio) : cdio_audio_resume(cdio));
    }

    bool Stop() override
    {
        CdIo_t *cdio = Device();
        return cdio ? Check(cdio_audio_stop(cdio)) : Fail(0x02, 0x04, 0x00);
    }

    PlayReport Status() override
    {
        CdIo_t *cdio = Device();
        cdio_subchannel_t sub{};
        if (!cdio || cdio_audio_read_subchannel(cdio, &sub) != DRIVER_OP_SUCCESS)
            return {CDRIP_AUDIO_NO_STATUS, 0};
        return {sub.audio_status, cdio_msf_to_lsn(&sub.abs_addr)};
    }

    int32_t PlayEnd() override { return playEnd_; }

    bool RefreshAudio(int32_t firstSector, int32_t sectorCount) override
    {
        return RefreshFromDisc(Device(), firstSector, sectorCount) ? Succeed() : Check(DRIVER_OP_ERROR);
    }

  private:
    // Opened on first use and kept: the device may hold no disc yet.
    CdIo_t *Device()
    {
        if (!device_)
            device_.reset(cdio_open(path_.c_str(), DRIVER_DEVICE));
        return device_.get();
    }

    bool Check(driver_return_code_t result)
    {
        if (result == DRIVER_OP_SUCCESS)
            return Succeed();
        cdio_mmc_request_sense_t *sense = nullptr;
        if (device_ && mmc_last_cmd_sense(device_.get(), &sense) > 0 && sense) {
            const SenseData data{sense->sense_key, sense->asc, sense->ascq};
            std::free(sense);
            return Fail(data.key, data.asc, data.ascq);
        }
        std::free(sense);
        return Fail(0x04, 0x00, 0x00);
    }

    std::string path_;
    CdioPtr device_;
    int32_t playEnd_ = 0;
};

} // namespace

std::unique_ptr<DriveControl> MakeRealDriveControl(const std::string &devicePath)
{
    return std::make_unique<RealDriveControl>(devicePath);
}

} // namespace cdrip
