#pragma once
// The ripping library as the pipeline reads it: one open sector range at a time, read chunk by
// chunk. Every call but Attach comes from the pipeline's reader thread.

#include "platform/cdrip/cdrip_types.h"

#include <cstdint>
#include <vector>

class ReaderThread;

class RipSource {
  public:
    virtual ~RipSource() = default;

    // CDRIP_OK with the bytes a chunk buffer needs, or CDRIP_ERROR.
    virtual int32_t Open(int32_t FirstSector, int32_t LastSector, int32_t &ChunkBytes) = 0;
    // A CDRIP_ result: OK or JITTER_ERROR with data, RIPPING_DONE, ERROR. Abort is read while the
    // chunk is read (from another thread): once non-zero the read stops and fails.
    virtual int32_t ReadChunk(uint8_t *Buffer, int32_t &Bytes, const int32_t *Abort) = 0;
    virtual int32_t PercentCompleted() = 0;
    virtual int32_t JitterErrors() = 0;
    virtual void LastJitterError(int32_t &FirstSector, int32_t &LastSector) = 0;
    // The damaged runs of the open range so far (CDRIP_SECTOR_* kinds); false when the library
    // cannot tell a repaired sector from a lost one.
    virtual bool Damage(std::vector<TCdRipDamageRun> &Runs) = 0;
    // The drive still holds its medium.
    virtual bool MediumPresent() = 0;
    // Between ranges: the sectors read from the disc with the force-unit-access bit, so that what
    // the drive caches of them is the disc's; false where the drive or the library cannot.
    virtual bool RefreshCache(int32_t, int32_t) { return false; }
    virtual int32_t Close() = 0;
    // Channels and rate of the PCM the library delivers.
    virtual int Channels() const { return 2; }
    virtual int Rate() const { return 44100; }

    // On the caller's thread, when a rip starts (the thread that will read) and ends (nullptr).
    virtual void Attach(ReaderThread *) {}
};

// What a library's CR_GetRipDamage gives, for Damage; false when it fails (a library without it).
inline bool ReadRipDamage(int32_t (*Get)(TCdRipDamageRun *, int32_t, int32_t *),
                          std::vector<TCdRipDamageRun> &Runs)
{
    int32_t count = 0;
    if (Get(nullptr, 0, &count) != CDRIP_OK || count < 0)
        return false;
    Runs.resize(static_cast<size_t>(count));
    return Get(Runs.data(), count, &count) == CDRIP_OK;
}
