#pragma once
// The run-time ripping library ("CDRIP3.DLL", bound by the CD access helpers) as a rip source.
// While it reads, every other call into that library goes through CallRipLibrary, so the library
// is never entered from two threads at once.

#include "platform/cdrip/cdrip_types.h"
#include "quavrel/engine/pipeline/rip_source.h"

#include <functional>

class RuntimeRipSource : public RipSource {
  public:
    int32_t Open(int32_t FirstSector, int32_t LastSector, int32_t &ChunkBytes) override;
    int32_t ReadChunk(uint8_t *Buffer, int32_t &Bytes, const int32_t *Abort) override;
    int32_t PercentCompleted() override;
    int32_t JitterErrors() override;
    void LastJitterError(int32_t &FirstSector, int32_t &LastSector) override;
    bool Damage(std::vector<TCdRipDamageRun> &Runs) override;
    bool MediumPresent() override;
    bool RefreshCache(int32_t FirstSector, int32_t LastSector) override;
    int32_t Close() override;
    void Attach(ReaderThread *Reader) override;
};

// Runs Call where the run-time library may be called now: on the reader thread of the rip in
// progress, after the chunk in flight (the caller's events go on meanwhile), else at once.
int32_t CallRipLibrary(const std::function<int32_t()> &Call);
// A rip of the run-time library is reading.
bool RipLibraryBusy();

enum class RipParameters {
    Set,        // the library took them
    Refused,    // it refused them
    Unreadable, // the drive's own could not be read: the rip goes on with them as they are
};
// Stops playback and gives the drive the parameters a rip reads with: jitter correction on, in the
// paranoia mode the program uses. Params receives the drive's record as read.
RipParameters SetRipParameters(TCDRomParams &Params);
