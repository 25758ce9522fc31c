#pragma once
// Test and copy: a track is read twice and its chunks compared by CRC32; a chunk whose two reads
// differ is read again until enough reads agree. This keeps the account of one track: which chunks
// differ, the votes of their re-reads, and what the reads cost.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// Sectors read elsewhere to push a track out of the drive's cache: more than most drives keep of
// audio (1 to 4 MiB), at the cost of a fraction of a second per re-read at 40×.
constexpr int32_t kCacheEvictSectors = 2048;

struct SecureReading {
    // Reads of a differing chunk after the copy read; 0 reads each sector once (burst).
    int Tries = 0;
    // Identical reads a chunk needs, test and copy reads included.
    int Matches = 2;
    // Sectors read elsewhere before the copy read and each re-read, so that the drive reads the
    // disc and not its cache; 0 trusts the drive.
    int32_t EvictSectors = 0;

    bool On() const { return Tries > 0; }
};

uint32_t Crc32Of(const uint8_t *Data, size_t Bytes, uint32_t Crc = 0);

class SecureTrack {
  public:
    struct Chunk {
        int64_t Offset = 0; // in the read range's bytes
        int64_t Bytes = 0;
    };

    void NoteTest(const uint8_t *Data, size_t Bytes);
    // The copy read's chunk, in the same order; false when it differs from the test read's.
    bool NoteCopy(const uint8_t *Data, size_t Bytes);

    // The chunks whose test and copy reads differed, in order.
    const std::vector<Chunk> &Differing() const { return differing_; }
    // One more read of Differing()[Index], the chunks taken in order; true once its content has
    // been read Matches times: it is the chunk's agreed audio. A read cut short agrees with nothing.
    bool NoteReread(size_t Index, const uint8_t *Data, size_t Bytes, int Matches);
    // The sectors of the chunk last re-read (from its start) that its re-reads gave differently.
    const std::vector<int32_t> &Unstable() const { return unstable_; }

    uint32_t TestCrc() const { return testCrc_; }
    uint32_t CopyCrc() const { return copyCrc_; }
    // Sectors read in all, re-reads included.
    int64_t SectorsRead() const { return sectorsRead_; }

  private:
    std::vector<uint32_t> testChunks_;
    size_t copied_ = 0;
    std::vector<Chunk> differing_;
    // Per differing chunk: how often each content was read.
    std::vector<std::map<uint32_t, int>> votes_;
    // The chunk being re-read: its first whole re-read.
    size_t rereading_ = SIZE_MAX;
    std::vector<uint8_t> firstReread_;
    std::vector<int32_t> unstable_;
    uint32_t testCrc_ = 0;
    uint32_t copyCrc_ = 0;
    int64_t sectorsRead_ = 0;
    int64_t offset_ = 0;
};
