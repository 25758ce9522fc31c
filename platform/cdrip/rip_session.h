#pragma once
// One open rip: an inclusive sector range of one drive read chunk by chunk, through paranoia
// (jitter correction on) or straight from the drive (off), in the record's output format.
//
// Virtual drives are read by paranoia through the catalogue, so its injected faults reach it;
// real drives through libcdio's MMC reads at the record's speed. One session at a time per
// library: paranoia's report callback carries no user data.

#include "cdio_owners.h"
#include "cdrip_types.h"
#include "drive_catalogue.h"
#include "jitter_tracker.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cdrip {

class RipSession {
  public:
    // nullptr when the drive has no readable medium or the range is not inside its disc.
    static std::unique_ptr<RipSession> Open(size_t driveIndex, const drives::DriveInfo &drive,
                                            const TCDRomParams &params, int32_t firstSector,
                                            int32_t lastSector);
    ~RipSession();
    RipSession(const RipSession &) = delete;
    RipSession &operator=(const RipSession &) = delete;

    // Bytes a buffer needs for one chunk.
    int32_t ChunkBytes() const;

    // Fills buffer with the next chunk: CDRIP_OK or CDRIP_JITTER_ERROR with data,
    // CDRIP_RIPPING_DONE with none once the range is read, CDRIP_ERROR with none when the chunk
    // could not be read (the rip goes on after it, so callers that keep calling reach the end).
    // abort, when given, is read before every sector: once non-zero the chunk fails at once.
    int32_t RipChunk(uint8_t *buffer, int32_t &bytes, const int32_t *abort);

    int32_t PercentCompleted() const;
    int32_t JitterErrors() const { return tracker_.Count(); }
    void LastJitterError(int32_t &firstSector, int32_t &lastSector) const;
    int32_t Peak() const { return peak_; }
    int32_t NextSector() const { return next_; }
    const std::vector<TCdRipDamageRun> &Damage() const { return tracker_.Runs(); }

  private:
    RipSession() = default;
    // Points the read function and paranoia's callbacks at this session.
    void Target();
    bool MediumPresent() const;
    int32_t ReadThroughParanoia(uint8_t *buffer, int32_t sectors, int32_t &bytes, const int32_t *abort);
    int32_t ReadStraight(uint8_t *buffer, int32_t sectors, int32_t &bytes, const int32_t *abort);

    size_t driveIndex_ = 0;
    bool virtual_ = false;
    CdioPtr cdio_;
    CddaPtr cdda_;
    ParanoiaPtr paranoia_;
    int32_t first_ = 0;
    int32_t last_ = 0;
    int32_t next_ = 0;
    int32_t chunkSectors_ = kDefaultChunkSectors;
    int32_t format_ = 0;
    int32_t retries_ = kDefaultReadRetries;
    int32_t peak_ = 0;
    int32_t leadOut_ = 0;
    // The reader libcdio installed on the drive, and whether the drive gives C2 pointers.
    long (*driveReader_)(cdrom_drive_t *, void *, lsn_t, long) = nullptr;
    bool c2_ = true;
    JitterTracker tracker_;
    std::vector<int16_t> raw_; // one chunk of raw sectors for straight reads and format changes
    std::string standIn_;      // a virtual drive's stand-in cue sheet, removed with the session
};

} // namespace cdrip
