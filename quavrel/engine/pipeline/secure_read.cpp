#include "quavrel/engine/pipeline/secure_read.h"

#include "quavrel/engine/pipeline/read_offset.h"

#include <algorithm>
#include <utility>
#include <zlib.h>

namespace {

constexpr std::pair<DriveCache, const char *> kCacheWords[] = {
    {DriveCache::None, "non"}, {DriveCache::Holds, "oui"}, {DriveCache::Refreshable, "fua"}};

} // namespace

const char *DriveCacheWord(DriveCache Cache)
{
    for (const auto &[cache, word] : kCacheWords)
        if (cache == Cache)
            return word;
    return "";
}

DriveCache DriveCacheOfWord(std::string_view Word)
{
    for (const auto &[cache, word] : kCacheWords)
        if (Word == word)
            return cache;
    return DriveCache::Unknown;
}

DriveCache JudgeCache(double AgainSeconds, double FirstSeconds)
{
    // Reads that take next to no time (an image, a drive without a speed) tell nothing.
    constexpr double kMeasurable = 0.02;
    if (FirstSeconds < kMeasurable)
        return DriveCache::Unknown;
    return AgainSeconds * 2 >= FirstSeconds ? DriveCache::None : DriveCache::Holds;
}

uint32_t Crc32Of(const uint8_t *Data, size_t Bytes, uint32_t Crc)
{
    // zlib takes at most 4 GiB at a time; a chunk is far less.
    return static_cast<uint32_t>(crc32(Crc, Data, static_cast<uInt>(Bytes)));
}

void SecureTrack::NoteCopy(const uint8_t *Data, size_t Bytes)
{
    const uint32_t crc = Crc32Of(Data, Bytes);
    copyCrc_ = Crc32Of(Data, Bytes, copyCrc_);
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
    copied_.push_back({{offset_, static_cast<int64_t>(Bytes)}, crc, {{crc, 1}}, false});
    offset_ += static_cast<int64_t>(Bytes);
}

bool SecureTrack::NoteTest(const uint8_t *Data, size_t Bytes)
{
    const uint32_t crc = Crc32Of(Data, Bytes);
    testCrc_ = Crc32Of(Data, Bytes, testCrc_);
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
    // Chunks come at the same sizes for the same range; a read cut short differs.
    if (tested_ >= copied_.size())
        return false;
    Copied &copy = copied_[tested_++];
    ++copy.votes[crc];
    copy.differs = crc != copy.crc || static_cast<int64_t>(Bytes) != copy.chunk.Bytes;
    return !copy.differs;
}

void SecureTrack::NoteFlagged(int32_t First, int32_t Last)
{
    for (int32_t sector = std::max(First, 0); sector <= Last; ++sector)
        flagged_.insert(sector);
}

const std::vector<SecureTrack::Chunk> &SecureTrack::Rereads()
{
    if (planned_)
        return rereads_;
    planned_ = true;
    std::vector<size_t> first;
    std::vector<size_t> later;
    for (size_t i = 0; i < copied_.size(); ++i) {
        Copied &copy = copied_[i];
        const auto firstSector = static_cast<int32_t>(copy.chunk.Offset / kSectorBytes);
        const auto lastSector =
            static_cast<int32_t>((copy.chunk.Offset + copy.chunk.Bytes - 1) / kSectorBytes);
        const auto flagged = flagged_.lower_bound(firstSector);
        if (flagged != flagged_.end() && *flagged <= lastSector) {
            copy.votes.clear();
            first.push_back(i);
        } else if (copy.differs || i >= tested_) {
            later.push_back(i);
        }
    }
    first.insert(first.end(), later.begin(), later.end());
    for (const size_t i : first) {
        rereads_.push_back(copied_[i].chunk);
        rereadState_.push_back({i, {}, {}});
    }
    return rereads_;
}

bool SecureTrack::NoteReread(size_t Index, const uint8_t *Data, size_t Bytes, bool Clean, int Matches)
{
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
    if (!Clean || static_cast<int64_t>(Bytes) != rereads_[Index].Bytes)
        return false;
    Reread &state = rereadState_[Index];
    std::vector<uint32_t> sectors;
    for (int64_t at = 0; at < static_cast<int64_t>(Bytes); at += kSectorBytes)
        sectors.push_back(Crc32Of(Data + at, static_cast<size_t>(std::min<int64_t>(
                                                 kSectorBytes, static_cast<int64_t>(Bytes) - at))));
    if (state.firstSectors.empty()) {
        state.firstSectors = sectors;
        state.unstable.assign(sectors.size(), false);
    } else {
        for (size_t i = 0; i < sectors.size(); ++i)
            if (sectors[i] != state.firstSectors[i])
                state.unstable[i] = true;
    }
    return ++copied_[state.copied].votes[Crc32Of(Data, Bytes)] >= Matches;
}

std::vector<int32_t> SecureTrack::Unstable(size_t Index) const
{
    std::vector<int32_t> sectors;
    const Reread &state = rereadState_[Index];
    for (size_t i = 0; i < state.unstable.size(); ++i)
        if (state.unstable[i])
            sectors.push_back(static_cast<int32_t>(i));
    return sectors;
}
