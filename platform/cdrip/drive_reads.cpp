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

bool MediumGone(CdIo_t *cdio)
{
    if (!cdio || mmc_test_unit_ready(cdio, 0) == DRIVER_OP_SUCCESS)
        return false;
    // NOT READY, MEDIUM NOT PRESENT
    return LastSense(cdio).asc == 0x3A;
}

} // namespace cdrip
