#include "quavrel/engine/verify/track_checksums.h"

#include <zlib.h>

namespace {

constexpr int64_t kSkippedFirstFrames = 5 * 588 - 1;
constexpr int64_t kSkippedLastFrames = 5 * 588;

} // namespace

TrackChecksums::TrackChecksums(int64_t Frames, bool FirstTrack, bool LastTrack)
    : frames_(Frames), skipFirst_(FirstTrack ? kSkippedFirstFrames : 0),
      countLast_(LastTrack ? Frames - kSkippedLastFrames : Frames)
{
}

void TrackChecksums::AddFrame(uint32_t Word)
{
    ++frame_;
    if (frame_ <= skipFirst_ || frame_ > countLast_ || frame_ > frames_)
        return;
    const auto n = static_cast<uint32_t>(frame_);
    v1_ += Word * n;
    const uint64_t product = uint64_t{Word} * n;
    v2_ += static_cast<uint32_t>(product) + static_cast<uint32_t>(product >> 32);
}

void TrackChecksums::Feed(const uint8_t *Pcm, size_t Bytes)
{
    // zlib's CRC-32 is this one, many bytes at a time; it takes and gives the finished value.
    crc_ = ~static_cast<uint32_t>(crc32(~crc_, Pcm, static_cast<uInt>(Bytes)));

    size_t i = 0;
    while (partialBytes_ > 0 && i < Bytes) {
        partial_[partialBytes_++] = Pcm[i++];
        if (partialBytes_ == 4) {
            AddFrame(uint32_t{partial_[0]} | uint32_t{partial_[1]} << 8 | uint32_t{partial_[2]} << 16 |
                     uint32_t{partial_[3]} << 24);
            partialBytes_ = 0;
        }
    }
    for (; i + 4 <= Bytes; i += 4)
        AddFrame(uint32_t{Pcm[i]} | uint32_t{Pcm[i + 1]} << 8 | uint32_t{Pcm[i + 2]} << 16 |
                 uint32_t{Pcm[i + 3]} << 24);
    for (; i < Bytes; ++i)
        partial_[partialBytes_++] = Pcm[i];
}
