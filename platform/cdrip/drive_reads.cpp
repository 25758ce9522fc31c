#include "drive_reads.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <cdio/mmc.h>
#include <cdio/mmc_ll_cmds.h>

namespace cdrip {
namespace {

constexpr int32_t kAudioBytes = 2352;
constexpr int32_t kC2Bytes = 294; // one bit per byte of the sector
constexpr int32_t kBlockBytes = kAudioBytes + kC2Bytes;
// As many sectors a command as fit in the 128 KiB one SG_IO transfer moves: paranoia's reads are
// smaller, so each is one command (a slow drive's time goes by command as much as by sector).
constexpr int32_t kSectorsPerCommand = 48;

struct Sense {
    int key = 0;
    int asc = 0;
};

Sense LastSense(CdIo_t *cdio)
{
    cdio_mmc_request_sense_t *sense = nullptr;
    Sense result;
    if (mmc_last_cmd_sense(cdio, &sense) > 0 && sense) {
        result.key = sense->sense_key;
        result.asc = sense->asc;
    }
    std::free(sense);
    return result;
}

} // namespace

C2Read ReadAudioWithC2(CdIo_t *cdio, uint8_t *buffer, int32_t begin, int32_t sectors, int32_t &read,
                       std::vector<bool> &flagged)
{
    read = 0;
    flagged.assign(static_cast<size_t>(std::max(sectors, 0)), false);
    std::vector<uint8_t> blocks(static_cast<size_t>(kSectorsPerCommand) * kBlockBytes);
    while (read < sectors) {
        const int32_t count = std::min(kSectorsPerCommand, sectors - read);
        const driver_return_code_t result =
            mmc_read_cd(cdio, blocks.data(), begin + read, CDIO_MMC_READ_TYPE_CDDA, false, false, 0, true,
                        false, 1, 0, kBlockBytes, static_cast<uint32_t>(count));
        if (result != DRIVER_OP_SUCCESS) {
            // ILLEGAL REQUEST, INVALID FIELD IN CDB: the drive has no C2 pointers to give.
            const Sense sense = LastSense(cdio);
            return read == 0 && sense.key == 0x05 && sense.asc == 0x24 ? C2Read::Unsupported : C2Read::Failed;
        }
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t *block = blocks.data() + static_cast<size_t>(i) * kBlockBytes;
            std::memcpy(buffer + static_cast<size_t>(read + i) * kAudioBytes, block, kAudioBytes);
            const uint8_t *pointers = block + kAudioBytes;
            flagged[static_cast<size_t>(read + i)] =
                std::any_of(pointers, pointers + kC2Bytes, [](uint8_t bits) { return bits != 0; });
        }
        read += count;
    }
    return C2Read::Done;
}

namespace {

// MODE SELECT(10) with one block descriptor: the block length READ(10) and READ(12) read.
bool SetBlockLength(CdIo_t *cdio, uint32_t bytes)
{
    uint8_t list[16] = {};
    list[7] = 8; // block descriptor length
    list[13] = static_cast<uint8_t>(bytes >> 16);
    list[14] = static_cast<uint8_t>(bytes >> 8);
    list[15] = static_cast<uint8_t>(bytes);
    mmc_cdb_t cdb = {{0}};
    CDIO_MMC_SET_COMMAND(cdb.field, CDIO_MMC_GPCMD_MODE_SELECT_10);
    cdb.field[1] = 0x10; // PF
    cdb.field[8] = sizeof(list);
    return mmc_run_cmd(cdio, 10000, &cdb, SCSI_MMC_DATA_WRITE, sizeof(list), list) == DRIVER_OP_SUCCESS;
}

} // namespace

bool RefreshFromDisc(CdIo_t *cdio, int32_t begin, int32_t sectors)
{
    if (!cdio || sectors <= 0 || !SetBlockLength(cdio, kAudioBytes))
        return false;
    std::vector<uint8_t> blocks(static_cast<size_t>(kSectorsPerCommand) * kAudioBytes);
    bool ok = true;
    for (int32_t done = 0; ok && done < sectors;) {
        const int32_t count = std::min(kSectorsPerCommand, sectors - done);
        const auto lba = static_cast<uint32_t>(begin + done);
        mmc_cdb_t cdb = {{0}};
        CDIO_MMC_SET_COMMAND(cdb.field, CDIO_MMC_GPCMD_READ_12);
        cdb.field[1] = 0x08; // FUA
        for (int i = 0; i < 4; ++i) {
            cdb.field[2 + i] = static_cast<uint8_t>(lba >> (24 - 8 * i));
            cdb.field[6 + i] = static_cast<uint8_t>(static_cast<uint32_t>(count) >> (24 - 8 * i));
        }
        ok = mmc_run_cmd(cdio, 30000, &cdb, SCSI_MMC_DATA_READ, static_cast<unsigned>(count) * kAudioBytes,
                         blocks.data()) == DRIVER_OP_SUCCESS;
        done += count;
    }
    // Data reads as the drive's other users expect them, whatever became of the audio's.
    return SetBlockLength(cdio, 2048) && ok;
}

bool MediumGone(CdIo_t *cdio)
{
    if (!cdio || mmc_test_unit_ready(cdio, 0) == DRIVER_OP_SUCCESS)
        return false;
    // NOT READY, MEDIUM NOT PRESENT
    return LastSense(cdio).asc == 0x3A;
}

} // namespace cdrip
