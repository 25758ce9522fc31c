#pragma once
// Turns paranoia's reports and what the drive gave on each read into the damage of the open range.
//
// Paranoia reads ahead: it reports a repair or a skip while delivering an earlier sector, with the
// position of the damaged samples. So reports are kept by sector and charged to the chunk that
// delivers that sector. A skip reports only where it starts; the silence paranoia puts in place of
// what it could not read runs on over the all-zero sectors delivered right after it.
//
// Which of paranoia's callback codes say what:
// - PARANOIA_CB_FIXUP_EDGE, _FIXUP_ATOM, _FIXUP_DROPPED, _FIXUP_DUPED: reads disagreed and paranoia
//   settled the samples on ones that verified: a repair, the audio is right.
// - PARANOIA_CB_SKIP: paranoia gave up on a sector once its retries were spent and delivered
//   silence or samples nothing verified: the audio is lost.
// - PARANOIA_CB_READERR: one read failed; paranoia reads again, so alone it loses nothing. Whether
//   the drive gave the sector at all is told by NoteRead instead.
// - The others (READ, VERIFY, OVERLAP, DRIFT, CACHEERR, ...) describe the reading, not the audio.
// A sector the drive never gave, or gave only with C2 errors flagged, is lost whatever paranoia
// made of it. A jitter error is a run of consecutive damaged sectors of any kind.

#include "cdrip_types.h"

#include <cstdint>
#include <set>
#include <vector>

namespace cdrip {

// What one read of the drive gave for a sector.
enum class SectorRead { Good, Failed, Flagged };

class JitterTracker {
  public:
    void Reset(int32_t firstSector, int32_t lastSector);

    // Reports of paranoia and reads of the drive, by sector; those outside the range are ignored.
    void NoteRepair(int32_t sector);
    void NoteSkip(int32_t sector);
    // One good read of a sector outweighs every bad one: the data paranoia verified is that one.
    void NoteRead(int32_t sector, SectorRead read);

    // Call for every delivered sector, in order; true when that sector is damaged.
    bool Deliver(int32_t sector, bool silent);

    int32_t Count() const { return count_; }
    int32_t LastFirst() const { return lastFirst_; }
    int32_t LastLast() const { return lastLast_; }
    // The delivered damaged sectors in runs of one kind (CDRIP_SECTOR_*), in delivery order.
    const std::vector<TCdRipDamageRun> &Runs() const { return runs_; }

  private:
    int32_t KindOf(int32_t sector, bool silent);

    int32_t first_ = 0;
    int32_t last_ = -1;
    std::set<int32_t> repaired_;
    std::set<int32_t> skipped_;
    // Per sector of the range: what its reads gave so far (SectorState in the source).
    std::vector<uint8_t> reads_;
    bool inSkip_ = false;
    int32_t count_ = 0;
    int32_t lastFirst_ = 0;
    int32_t lastLast_ = 0;
    bool haveRun_ = false;
    std::vector<TCdRipDamageRun> runs_;
};

} // namespace cdrip
