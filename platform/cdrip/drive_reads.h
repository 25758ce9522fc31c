#pragma once
// What the ripper asks of a real drive besides libcdio's own audio reads: audio with the drive's
// C2 error pointers, so that a sector read with errors is known as such, and whether the medium
// is still there when a read fails.

#include <cstdint>
#include <vector>

#include <cdio/cdio.h>

namespace cdrip {

enum class C2Read {
    Done,        // every sector read; flagged tells which came with C2 errors
    Failed,      // the drive could not read them all: Sectors says how many it gave first
    Unsupported, // the drive refused the command itself: read another way
};

// Reads sectors audio sectors from begin into buffer (2352 bytes each), with C2 pointers.
C2Read ReadAudioWithC2(CdIo_t *cdio, uint8_t *buffer, int32_t begin, int32_t sectors, int32_t &read,
                       std::vector<bool> &flagged);

// Reads sectors audio sectors from begin with READ(12) and its force-unit-access bit, whole
// (a block length of 2352 set for them, 2048 again after): a drive that honours the bit reads the
// disc and refreshes what its cache holds of them, so that the reads after it get the disc's
// audio. The data itself is not kept. False when the drive refuses any of it.
bool RefreshFromDisc(CdIo_t *cdio, int32_t begin, int32_t sectors);

// The drive answers that it holds no medium (tray open or empty).
bool MediumGone(CdIo_t *cdio);

} // namespace cdrip
