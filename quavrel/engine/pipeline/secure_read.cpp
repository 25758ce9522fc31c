#include "quavrel/engine/pipeline/secure_read.h"

#include "quavrel/engine/pipeline/read_offset.h"

#include <algorithm>
#include <zlib.h>

namespace {

} // namespace

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
    // Chunks come at the same sizes for the same range; a test read cut short differs.
    const bool same = copied_ < testChunks_.size() && testChunks_[copied_] == crc;
    if (!same) {
        differing_.push_back({offset_, static_cast<int64_t>(Bytes)});
        std::map<uint32_t, int> votes{{crc, 1}};
        if (copied_ < testChunks_.size())
            ++votes[testChunks_[copied_]];
        votes_.push_back(std::move(votes));
    }
    ++copied_;
    offset_ += static_cast<int64_t>(Bytes);
    return same;
}

bool SecureTrack::NoteReread(size_t Index, const uint8_t *Data, size_t Bytes, int Matches)
{
    sectorsRead_ += static_cast<int64_t>(Bytes) / kSectorBytes;
    if (Index != rereading_) {
        rereading_ = Index;
        firstReread_.clear();
        unstable_.clear();
    }
    if (static_cast<int64_t>(Bytes) != differing_[Index].Bytes)
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
    return ++votes_[Index][Crc32Of(Data, Bytes)] >= Matches;
}
