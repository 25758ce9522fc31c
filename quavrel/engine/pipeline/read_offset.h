#pragma once
// The drive's read offset corrected: a drive with offset +N (AccurateRip's sign) returns every
// sample N samples early, so a range is read N samples further on and shifted back. What lies
// beyond the disc's ends cannot be read and comes out as silence.

#include <cstddef>
#include <cstdint>
#include <functional>

// The bytes of one sector of CD audio: 588 stereo 16-bit frames.
constexpr int64_t kSectorBytes = 2352;

struct ReadOffset {
    // In samples (stereo frames); 0 reads the range as it is.
    int32_t Samples = 0;
    // The sectors the drive can read: from DiscFirst up to, not including, DiscEnd.
    int32_t DiscFirst = 0;
    int32_t DiscEnd = 0;
};

// Which sectors to read for a range, and which of their bytes make the range's audio.
class OffsetWindow {
  public:
    // False when nothing of the shifted range can be read (an offset larger than the disc).
    bool Plan(int32_t FirstSector, int32_t LastSector, const ReadOffset &Offset);
    int32_t ReadFirst() const { return readFirst_; }
    int32_t ReadLast() const { return readLast_; }

    using Emit = std::function<bool(const uint8_t *Pcm, size_t Bytes)>;
    // The silence before the disc's start, once, before the first chunk.
    bool Start(const Emit &Out);
    // The part of a chunk read that belongs to the range.
    bool Chunk(const uint8_t *Pcm, size_t Bytes, const Emit &Out);
    // The silence beyond the disc's end, once the last chunk is in.
    bool Finish(const Emit &Out);

  private:
    static bool Silence(int64_t Bytes, const Emit &Out);

    int32_t readFirst_ = 0;
    int32_t readLast_ = 0;
    int64_t leadSilence_ = 0;
    // Bytes of the first sectors read that lie before the range.
    int64_t skip_ = 0;
    // Bytes still wanted from what is read, and the silence after them.
    int64_t wanted_ = 0;
    int64_t tailSilence_ = 0;
};
