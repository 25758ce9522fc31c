#pragma once
// One track from the drive to its file: the ripping library's chunks are read and fed to a sink
// on a reader thread while the caller's event loop keeps running; the file is written beside its
// final name and put in place only when complete. Progress and the outcome reach the caller on
// its own thread.

#include "quavrel/engine/pipeline/audio_sink.h"
#include "quavrel/engine/pipeline/read_offset.h"
#include "quavrel/engine/pipeline/rip_error.h"
#include "quavrel/engine/pipeline/rip_source.h"

#include <cstdint>
#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

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
    // Chunks that came with repaired or skipped sectors, and the library's count of them.
    int32_t DamagedChunks = 0;
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

    int32_t LostSectors(bool C2) const;
};

struct RipCallbacks {
    // After each chunk, with the library's percentage.
    std::function<void(int32_t Percent)> Progress;
    // Before the first chunk, once the file is open.
    std::function<void()> Started;
    // On the reader thread, with each chunk's PCM as the sink gets it (checksums and the like).
    std::function<void(const uint8_t *Pcm, size_t Bytes)> Pcm;
};

class RipPipeline {
  public:
    explicit RipPipeline(RipSource &Source);
    ~RipPipeline();
    RipPipeline(const RipPipeline &) = delete;
    RipPipeline &operator=(const RipPipeline &) = delete;

    // Rips the inclusive range into FinalPath through Sink, or into DamagedPath(FinalPath) when
    // audio was lost; a complete rip removes an older damaged file of the track. When
    // JitterExtension is not empty, the jitter list goes beside the file with its extension
    // replaced by it, and an older list of that name is removed after a clean rip.
    RipReport Rip(int32_t FirstSector, int32_t LastSector, AudioSink &Sink, const QString &FinalPath,
                  const RipCallbacks &Callbacks = {}, const QString &JitterExtension = {});

    // The drive's read offset for the rips to come; the audio keeps its range's length.
    void SetReadOffset(const ReadOffset &Offset) { offset_ = Offset; }

    // From the caller's thread, also while Rip waits: the chunk being read stops at once.
    void Cancel();
    bool Running() const { return running_; }

  private:
    RipSource &source_;
    ReadOffset offset_;
    // Read by the library during a chunk, from the reader thread.
    int32_t abort_ = 0;
    bool cancel_ = false;
    bool running_ = false;
};

// Where a track's audio goes when some of it was lost: "NAME (endommagé).ext" beside FinalPath, so
// that the final name only ever holds complete audio.
QString DamagedPath(const QString &FinalPath);

// The file name with its extension (from the last dot of the name part) replaced by Extension.
QString ReplaceExtension(const QString &Path, const QString &Extension);
