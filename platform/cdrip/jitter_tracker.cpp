#include "jitter_tracker.h"

namespace cdrip {
namespace {

// What the reads of a sector gave so far.
enum SectorState : uint8_t {
    kNotRead = 0,
    kReadWell = 1,   // at least once without an error
    kNeverGiven = 2, // every read failed
    kFlagged = 3,    // data, but every read came with C2 errors
};

} // namespace

void JitterTracker::Reset(int32_t firstSector, int32_t lastSector)
{
    *this = JitterTracker{};
    first_ = firstSector;
    last_ = lastSector;
    reads_.assign(static_cast<size_t>(lastSector - firstSector + 1), kNotRead);
}

void JitterTracker::NoteRepair(int32_t sector)
{
    if (sector >= first_ && sector <= last_)
        repaired_.insert(sector);
}

void JitterTracker::NoteSkip(int32_t sector)
{
    if (sector >= first_ && sector <= last_)
        skipped_.insert(sector);
}

void JitterTracker::NoteRead(int32_t sector, SectorRead read)
{
    if (sector < first_ || sector > last_)
        return;
    uint8_t &state = reads_[static_cast<size_t>(sector - first_)];
    if (state == kReadWell)
        return;
    switch (read) {
    case SectorRead::Good:
        state = kReadWell;
        break;
    case SectorRead::Flagged:
        state = kFlagged;
        break;
    case SectorRead::Failed:
        if (state == kNotRead)
            state = kNeverGiven;
        break;
    }
}

int32_t JitterTracker::KindOf(int32_t sector, bool silent)
{
    const bool repaired = repaired_.erase(sector) > 0;
    const bool skipStart = skipped_.erase(sector) > 0;
    if (skipStart)
        inSkip_ = true;
    else if (inSkip_ && !silent)
        inSkip_ = false;
    const uint8_t state = sector >= first_ && sector <= last_ ? reads_[static_cast<size_t>(sector - first_)]
                                                              : uint8_t{kNotRead};
    if (state == kNeverGiven || inSkip_)
        return CDRIP_SECTOR_UNREADABLE;
    if (state == kFlagged)
        return CDRIP_SECTOR_C2;
    return repaired ? CDRIP_SECTOR_REPAIRED : 0;
}

bool JitterTracker::Deliver(int32_t sector, bool silent)
{
    const int32_t kind = KindOf(sector, silent);
    if (kind == 0)
        return false;
    if (!runs_.empty() && runs_.back().Kind == kind && runs_.back().LastSector == sector - 1)
        runs_.back().LastSector = sector;
    else
        runs_.push_back({sector, sector, kind});
    if (haveRun_ && lastLast_ == sector - 1) {
        lastLast_ = sector;
    } else {
        haveRun_ = true;
        lastFirst_ = lastLast_ = sector;
        ++count_;
    }
    return true;
}

} // namespace cdrip
