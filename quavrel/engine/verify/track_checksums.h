#pragma once
// The checksums of one ripped track, fed with its PCM as it flows to the file: the CRC32 of all of
// it, and the AccurateRip v1 and v2 checksums of the frames the database counts.

#include <cstddef>
#include <cstdint>

class TrackChecksums {
  public:
    // Frames is the track's length in the database's reckoning (from its start to the next
    // track's, or to the audio lead-out); frames fed beyond it count for the CRC32 only. The
    // disc's first track leaves out its first 2939 frames, its last its final 2940.
    TrackChecksums(int64_t Frames, bool FirstTrack, bool LastTrack);

    // 16-bit little-endian stereo, in order; a frame may straddle two calls.
    void Feed(const uint8_t *Pcm, size_t Bytes);

    uint32_t Crc32() const { return ~crc_; }
    uint32_t V1() const { return v1_; }
    uint32_t V2() const { return v2_; }
    // Frames fed so far.
    int64_t FramesSeen() const { return frame_; }

  private:
    void AddFrame(uint32_t Word);

    int64_t frames_;
    int64_t skipFirst_;
    int64_t countLast_;
    int64_t frame_ = 0;
    uint32_t crc_ = 0xFFFFFFFFu;
    uint32_t v1_ = 0;
    uint32_t v2_ = 0;
    uint8_t partial_[4] = {};
    size_t partialBytes_ = 0;
};
