#include "jitter_tracker.h"

namespace cdrip {

void JitterTracker::Reset(int32_t firstSector, int32_t lastSector)
{
    *this = JitterTracker{};
    first_ = firstSector;
    last_ = lastSector;
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

bool JitterTracker::Deliver(int32_t sector, bool silent)
{
    const bool repaired = repaired_.erase(sector) > 0;
    const bool skipStart = skipped_.erase(sector) > 0;
    if (skipStart)
        inSkip_ = true;
    else if (inSkip_ && !silent)
        inSkip_ = false;
    const bool damaged = repaired || inSkip_;
    if (!damaged)
        return false;
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
