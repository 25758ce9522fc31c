#pragma once
// Tracks from the drive to their files: the ripping library's chunks are read on a reader thread
// and encoded on others while the caller's event loop keeps running; each file is written beside
// its final name and put in place only when complete. Progress and the outcome reach the caller
// on its own thread.

#include "quavrel/engine/pipeline/audio_sink.h"
#include "quavrel/engine/pipeline/read_offset.h"
#include "quavrel/engine/pipeline/rip_error.h"
#include "quavrel/engine/pipeline/rip_source.h"
#include "quavrel/engine/pipeline/secure_read.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

class ReaderThread;
class WorkerPool;

enum class RipOutcome {
    Done,      // the file is complete and in place
    Damaged,   // audio was lost: the file is in place under its damaged name (DamagedPath)
    Cancelled, // stopped by the user: no file was put in place
    Failed,    // Error says why: no file was put in place
};

// Sectors whose audio is lost, by sector of the disc, inclusive.
struct LostRun {
    int32_t First = 0;
    int32_t Last = 0;
    // Read with C2 errors the drive flagged, rather than not given at all.
    bool C2 = false;
};

struct RipReport {
    RipOutcome Outcome = RipOutcome::Failed;
    // Why it failed (Failed only).
    RipError Error;
    // The library's count of chunks that came with repaired or skipped sectors.
    int32_t JitterErrors = 0;
    // Sectors paranoia corrected (their audio is right), and the runs whose audio is lost, in the
    // track's range.
    int32_t RepairedSectors = 0;
    std::vector<LostRun> Lost;
    // "first last" per damaged chunk, as the library reports it.
    QStringList JitterList;
    // The jitter list written beside the file (only when there was damage), or empty.
    QString JitterFile;
    // The file put in place (Done, Damaged).
    QString File;
    // The largest magnitude of the track's samples (32768: full scale).
    int32_t PeakSample = 0;

    // Read in secure mode: the CRC32 of the test and the copy read of the range (no test read when
    // TestSkipped), the sectors read
    // again until enough reads agreed, those that never agreed (their copy read is in the file,
    // under the damaged name: never a success), and the sectors read in all.
    bool Secure = false;
    uint32_t TestCrc = 0;
    uint32_t CopyCrc = 0;
    std::vector<LostRun> Reread;
    std::vector<LostRun> Suspicious;
    int64_t SectorsRead = 0;
    // Sectors the test or the copy read got with C2 errors (read again first).
    int32_t C2Sectors = 0;
    // Whether the drive caches audio, as stored or measured (only what evicts asks).
    DriveCache Cache = DriveCache::Unknown;
    // The caller proved the copy read (RipCallbacks::CopyProven): no test read was made.
    bool TestSkipped = false;

    int32_t LostSectors(bool C2) const;
    // Secure mode: some sectors never read the same twice.
    bool Unsafe() const { return !Suspicious.empty(); }
    // Secure mode: of every sector read, the part needed (each sector twice), in percent.
    int Quality(int32_t Sectors) const;
};

struct RipCallbacks {
    // For Rip: while the caller waits, with how much of the track is in its file, in percent.
    std::function<void(int32_t Percent)> Progress;
    // On the reader thread, with each chunk's PCM as the drive gave it (checksums and the like).
    std::function<void(const uint8_t *Pcm, size_t Bytes)> Pcm;
    // Secure mode, on the reader thread, when set: once the copy read is in, with nothing lost,
    // its audio as the file would have it (CopyPcm, in order), then whether that audio is proven
    // (as AccurateRip proves it): a proven copy needs no test read.
    std::function<void(const uint8_t *Pcm, size_t Bytes)> CopyPcm;
    std::function<bool()> CopyProven;
};

// Tracks from the drive to their files. One reader thread reads the tracks queued, in order and
// without a pause between them, into spools; a pool of encoder threads takes each spool as it
// grows, so that the drive never waits for an encoder and every core encodes. A track's file is
// put in place only when the caller takes it, so a cancel puts none of the tracks still running.
class RipPipeline {
  public:
    // Workers: the encoder threads (at least one).
    explicit RipPipeline(RipSource &Source, int Workers = 1);
    // Stops what is still running: nothing of it is put in place.
    ~RipPipeline();
    RipPipeline(const RipPipeline &) = delete;
    RipPipeline &operator=(const RipPipeline &) = delete;

    // The drive's read offset for the tracks queued from now on; the audio keeps its range's length.
    void SetReadOffset(const ReadOffset &Offset) { offset_ = Offset; }
    // Test and copy for the tracks queued from now on (off: each sector is read once).
    void SetSecure(const SecureReading &Secure) { secure_ = Secure; }

    using Ticket = int;
    // Queues the inclusive range for FinalPath through Sink (kept until the track is taken): read
    // after the tracks queued before it, encoded as it is read. Its file goes to FinalPath, or to
    // DamagedPath(FinalPath) when audio was lost; a complete rip removes an older damaged file of
    // the track. When JitterExtension is not empty, the jitter list goes beside the file with its
    // extension replaced by it, and an older list of that name is removed after a clean rip.
    Ticket Queue(int32_t FirstSector, int32_t LastSector, std::shared_ptr<AudioSink> Sink,
                 const QString &FinalPath, const RipCallbacks &Callbacks = {},
                 const QString &JitterExtension = {});
    // Waits for a queued track (the caller's events go on meanwhile, Progress among them, with how
    // much of the track is in its file in percent) and puts its file in place.
    RipReport Take(Ticket Queued, const std::function<void(int32_t Percent)> &Progress = {});
    // Queue, then Take.
    RipReport Rip(int32_t FirstSector, int32_t LastSector, AudioSink &Sink, const QString &FinalPath,
                  const RipCallbacks &Callbacks = {}, const QString &JitterExtension = {});

    // From the caller's thread, also while Take waits: the chunk being read stops at once, and
    // every track queued comes back cancelled.
    void Cancel();

  private:
    struct Track;
    // Sectors of the disc, inclusive.
    struct Span {
        int32_t First = 0;
        int32_t Last = -1;
        int32_t Count() const { return Last >= First ? Last - First + 1 : 0; }
    };
    void ReadNext();
    void ReadChunk(const std::shared_ptr<Track> &Item);
    // Secure mode's passes: the copy read done, perhaps proven by the caller; else the test read,
    // the chunks to settle read again in rounds; then the agreed audio from the raw spool to the
    // track's spool.
    void EndCopyRead(const std::shared_ptr<Track> &Item);
    void Prove(const std::shared_ptr<Track> &Item);
    void StartTest(const std::shared_ptr<Track> &Item);
    void EndTestRead(const std::shared_ptr<Track> &Item);
    void Reread(const std::shared_ptr<Track> &Item);
    // The sectors of a chunk re-read that never agreed, into the report.
    static void AddSuspicious(Track &Item, size_t Reread);
    void Release(const std::shared_ptr<Track> &Item);
    // Opens the track's read range for its chunks, else fails the track: false.
    bool OpenRange(const std::shared_ptr<Track> &Item);
    // Reads a range whole at once, into Data unless null (nothing when it cannot be opened); false
    // when the drive flagged or could not give some of it.
    bool ReadRange(int32_t First, int32_t Last, std::vector<uint8_t> *Data);
    // What the library says of the open range: the sectors it got with C2 errors, to read again.
    void NoteFlagged(Track &Item);
    // Reads sectors far from the track so that what follows comes from the disc, not the cache.
    void Evict(const Track &Item);
    // The disc's sectors a chunk of the track's read range holds.
    static Span SectorsOf(const Track &Item, const SecureTrack::Chunk &Chunk);
    // As many sectors as asked at the end of the disc farther from the track.
    static Span FarFrom(const Track &Item, int32_t Sectors);
    // Whether the drive caches audio, from how long reading sectors again takes, and whether a
    // read with the force-unit-access bit refreshes its cache.
    DriveCache MeasureCache(const Track &Item);
    // The sectors refreshed from the disc before they are read again, on a drive whose cache
    // that refreshes.
    void Refresh(Track &Item, int32_t First, int32_t Last);
    // The library's account of the open range into the report, then the range closed.
    void CloseRange(Track &Item);
    void EndRead(const std::shared_ptr<Track> &Item, bool Opened);
    void Encode(const std::shared_ptr<Track> &Item);
    void WakeCaller();

    RipSource &source_;
    ReadOffset offset_;
    SecureReading secure_;
    // Read by the library during a chunk, from the reader thread.
    int32_t abort_ = 0;
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<Ticket, std::shared_ptr<Track>> tracks_;
    std::deque<std::shared_ptr<Track>> toRead_;
    bool reading_ = false;
    Ticket next_ = 0;
    std::vector<uint8_t> buffer_;
    // The reader's: the drive's cache, once known for this rip.
    std::optional<DriveCache> driveCache_;
    std::unique_ptr<WorkerPool> encoders_;
    std::unique_ptr<ReaderThread> reader_;
};

// Where a track's audio goes when some of it was lost: "NAME (endommagé).ext" beside FinalPath, so
// that the final name only ever holds complete audio.
QString DamagedPath(const QString &FinalPath);

// The file name with its extension (from the last dot of the name part) replaced by Extension.
QString ReplaceExtension(const QString &Path, const QString &Extension);
