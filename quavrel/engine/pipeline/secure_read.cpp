#include "quavrel/engine/pipeline/secure_read.h"

#include "quavrel/engine/pipeline/read_offset.h"

#include <algorithm>
#include <zlib.h>

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

void SecureTrack::NoteTest(const uint8_t *Data, size_t Bytes)
{
    testChunks_.push_back(Crc32Of(Data, Bytes));
    testCrc_ = Crc32Of(Data, Bytes, testCrc_);
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
}

bool SecureTrack::NoteCopy(const uint8_t *Data, size_t Bytes)
{
    const uint32_t crc = Crc32Of(Data, Bytes);
    copyCrc_ = Crc32Of(Data, Bytes, copyCrc_);
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
    const size_t index = copied_.size();
    // Chunks come at the same sizes for the same range; a test read cut short differs.
    const bool same = index < testChunks_.size() && testChunks_[index] == crc;
    Copied copy{{offset_, static_cast<int64_t>(Bytes)}, {{crc, 1}}, !same};
    if (index < testChunks_.size())
        ++copy.votes[testChunks_[index]];
    copied_.push_back(std::move(copy));
    offset_ += static_cast<int64_t>(Bytes);
    return same;
}

void SecureTrack::NoteFlagged(int32_t First, int32_t Last, bool C2)
{
    for (int32_t sector = std::max(First, 0); sector <= Last; ++sector) {
        flagged_.insert(sector);
        if (C2)
            c2_.insert(sector);
    }
}

const std::vector<SecureTrack::Chunk> &SecureTrack::Rereads()
{
    if (planned_)
        return rereads_;
    planned_ = true;
    std::vector<size_t> later;
    for (size_t i = 0; i < copied_.size(); ++i) {
        Copied &copy = copied_[i];
        const auto first = static_cast<int32_t>(copy.chunk.Offset / kSectorBytes);
        const auto last = static_cast<int32_t>((copy.chunk.Offset + copy.chunk.Bytes - 1) / kSectorBytes);
        const auto flagged = flagged_.lower_bound(first);
        if (flagged != flagged_.end() && *flagged <= last) {
            copy.votes.clear();
            rereadOf_.push_back(i);
        } else if (copy.differs) {
            later.push_back(i);
        }
    }
    rereadOf_.insert(rereadOf_.end(), later.begin(), later.end());
    for (const size_t i : rereadOf_)
        rereads_.push_back(copied_[i].chunk);
    return rereads_;
}

bool SecureTrack::NoteReread(size_t Index, const uint8_t *Data, size_t Bytes, bool Clean, int Matches)
{
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
    if (Index != rereading_) {
        rereading_ = Index;
        firstReread_.clear();
        unstable_.clear();
    }
    if (!Clean || static_cast<int64_t>(Bytes) != rereads_[Index].Bytes)
        return false;
    if (firstReread_.empty()) {
        firstReread_.assign(Data, Data + Bytes);
    } else {
        for (int32_t sector = 0; sector * kSectorBytes < static_cast<int64_t>(Bytes); ++sector) {
            const int64_t at = sector * kSectorBytes;
            const auto length =
                static_cast<size_t>(std::min<int64_t>(kSectorBytes, static_cast<int64_t>(Bytes) - at));
            if (!std::equal(Data + at, Data + at + length, firstReread_.begin() + at) &&
                std::find(unstable_.begin(), unstable_.end(), sector) == unstable_.end())
                unstable_.push_back(sector);
        }
        std::sort(unstable_.begin(), unstable_.end());
    }
    return ++copied_[rereadOf_[Index]].votes[Crc32Of(Data, Bytes)] >= Matches;
}
