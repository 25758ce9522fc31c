#pragma once
// Cuts a stream of PCM chunks into the fixed-size blocks an encoder takes: whole blocks straight
// from the chunk, the rest carried over to the next one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class PcmBlocks {
  public:
    void Reset(size_t BlockBytes)
    {
        block_.assign(BlockBytes, 0);
        held_ = 0;
    }
    size_t BlockBytes() const { return block_.size(); }

    // Calls Encode(block, bytes) for each whole block; stops at the first false.
    template <typename Encode> bool Feed(const uint8_t *Pcm, size_t Bytes, Encode &&encode)
    {
        const size_t size = block_.size();
        while (Bytes > 0) {
            if (held_ == 0 && Bytes >= size) {
                if (!encode(Pcm, size))
                    return false;
                Pcm += size;
                Bytes -= size;
                continue;
            }
            const size_t taken = std::min(Bytes, size - held_);
            std::memcpy(block_.data() + held_, Pcm, taken);
            held_ += taken;
            Pcm += taken;
            Bytes -= taken;
            if (held_ == size) {
                held_ = 0;
                if (!encode(block_.data(), size))
                    return false;
            }
        }
        return true;
    }

    // The shorter last block, if any (the end of the track's audio).
    template <typename Encode> bool Flush(Encode &&encode)
    {
        if (held_ == 0)
            return true;
        const size_t held = held_;
        held_ = 0;
        return encode(block_.data(), held);
    }

  private:
    std::vector<uint8_t> block_;
    size_t held_ = 0;
};
