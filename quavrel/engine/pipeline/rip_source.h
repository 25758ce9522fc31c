#pragma once
// The ripping library as the pipeline reads it: one open sector range at a time, read chunk by
// chunk. Every call but Attach comes from the pipeline's reader thread.

#include <cstdint>

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
    virtual int32_t Close() = 0;
    // Channels and rate of the PCM the library delivers.
    virtual int Channels() const { return 2; }
    virtual int Rate() const { return 44100; }

    // On the caller's thread, when a rip starts (the thread that will read) and ends (nullptr).
    virtual void Attach(ReaderThread *) {}
};
