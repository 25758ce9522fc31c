#pragma once
// Copy and test: a track is read twice and its chunks compared by CRC32; a chunk whose two reads
// differ, or that the drive flagged with C2 errors, is read again until enough reads agree. This
// keeps the account of one track: which chunks are read again, the votes of their re-reads, and
// what the reads cost.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string_view>
#include <vector>

// Sectors read elsewhere to push a track out of the drive's cache: more than most drives keep of
// audio (1 to 4 MiB), at the cost of a fraction of a second per re-read at 40×.
constexpr int32_t kCacheEvictSectors = 2048;

// Whether a drive keeps the audio it read, so that reading it again gives what it gave before.
enum class DriveCache {
    Unknown, // not measured (reads too fast to time, as an image's): treated as caching
    None,
    Holds,
    Refreshable, // holds, but a read with the force-unit-access bit refreshes it from the disc
};

// As the setting stores it: "oui", "non", "fua"; nothing for Unknown.
const char *DriveCacheWord(DriveCache Cache);
// Unknown for anything else.
DriveCache DriveCacheOfWord(std::string_view Word);

struct SecureReading {
    // Re-reads of a chunk to settle, at most; 0 reads each sector once (burst).
    int Tries = 0;
    // Identical reads a chunk needs, test and copy reads included.
    int Matches = 2;
    // Sectors read elsewhere before the test read of a short track and each round of re-reads,
    // so that the drive reads the disc and not its cache; 0 trusts the drive (and measures
    // nothing).
    int32_t EvictSectors = 0;
    // What is known of the drive's cache; Unknown has it measured when the first track is read.
    DriveCache Cache = DriveCache::Unknown;

    bool On() const { return Tries > 0; }
};

// Sectors the measure reads at each of its three reads: long enough to time at any speed.
constexpr int32_t kCacheProbeSectors = 300;
// The measure's verdict from how long sectors took to read the first time and right after, again:
// a drive that caches gives them back at once. Between the two, the drive is taken to cache:
// evicting in vain costs time, trusting wrongly would prove nothing.
DriveCache JudgeCache(double AgainSeconds, double FirstSeconds);

uint32_t Crc32Of(const uint8_t *Data, size_t Bytes, uint32_t Crc = 0);

class SecureTrack {
  public:
    struct Chunk {
        int64_t Offset = 0; // in the read range's bytes
        int64_t Bytes = 0;
    };

    // The copy read's chunks come first, in order; then the test read's, in the same order,
    // each compared with its copy: false when it differs.
    void NoteCopy(const uint8_t *Data, size_t Bytes);
    bool NoteTest(const uint8_t *Data, size_t Bytes);
    // Sectors (counted from the range's first) that a test or copy read got with C2 errors:
    // their reads prove nothing, even alike, so their chunks are read again first.
    void NoteFlagged(int32_t First, int32_t Last);
    // The sectors flagged so far.
    int32_t C2Sectors() const { return static_cast<int32_t>(flagged_.size()); }

    // Once both reads are in: the chunks to read again, those with flagged sectors first (and
    // those a test read cut short never reached).
    const std::vector<Chunk> &Rereads();
    // One more read of Rereads()[Index], in any order; true once its content has been read
    // Matches times: it is the chunk's agreed audio. A read cut short, or with sectors flagged or
    // not given (Clean false), agrees with nothing.
    bool NoteReread(size_t Index, const uint8_t *Data, size_t Bytes, bool Clean, int Matches);
    // The sectors of Rereads()[Index] (from its start) that its re-reads gave differently.
    std::vector<int32_t> Unstable(size_t Index) const;

    uint32_t TestCrc() const { return testCrc_; }
    uint32_t CopyCrc() const { return copyCrc_; }
    // Sectors read in all, re-reads included.
    int64_t SectorsRead() const { return sectorsRead_; }

  private:
    struct Copied {
        Chunk chunk;
        uint32_t crc = 0;
        // How often each content was read; none for a flagged chunk, whose reads do not count.
        std::map<uint32_t, int> votes;
        bool differs = false;
    };

    std::vector<Copied> copied_;
    size_t tested_ = 0;
    std::set<int32_t> flagged_;
    bool planned_ = false;
    std::vector<Chunk> rereads_;
    struct Reread {
        size_t copied = 0; // index into copied_
        // Per sector, the CRC32 of the first whole, clean re-read, and whether another differed.
        std::vector<uint32_t> firstSectors;
        std::vector<bool> unstable;
    };
    std::vector<Reread> rereadState_;
    uint32_t testCrc_ = 0;
    uint32_t copyCrc_ = 0;
    int64_t sectorsRead_ = 0;
    int64_t offset_ = 0;
};
