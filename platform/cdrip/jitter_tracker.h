#pragma once
// Turns paranoia's reports into jitter errors of the open range.
//
// Paranoia reads ahead: it reports a repair or a skip while delivering an earlier sector, with the
// position of the damaged samples. So reports are kept by sector and charged to the chunk that
// delivers that sector. A skip reports only where it starts; the silence paranoia puts in place of
// what it could not read runs on over the all-zero sectors delivered right after it.
// A jitter error is a run of consecutive damaged sectors.

#include <cstdint>
#include <set>

namespace cdrip {

class JitterTracker {
  public:
    void Reset(int32_t firstSector, int32_t lastSector);

    // Reports of paranoia, by sector; those outside the range are ignored.
    void NoteRepair(int32_t sector);
    void NoteSkip(int32_t sector);

    // Call for every delivered sector, in order; true when that sector is damaged.
    bool Deliver(int32_t sector, bool silent);

    int32_t Count() const { return count_; }
    int32_t LastFirst() const { return lastFirst_; }
    int32_t LastLast() const { return lastLast_; }

  private:
    int32_t first_ = 0;
    int32_t last_ = -1;
    std::set<int32_t> repaired_;
    std::set<int32_t> skipped_;
    bool inSkip_ = false;
    int32_t count_ = 0;
    int32_t lastFirst_ = 0;
    int32_t lastLast_ = 0;
    bool haveRun_ = false;
};

} // namespace cdrip
