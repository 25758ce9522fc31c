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

#include <QString>
#include <QStringList>

enum class RipOutcome {
    Done,      // the file is complete and in place
    Cancelled, // stopped by the user: no file was put in place
    Failed,    // Error says why: no file was put in place
};

struct RipReport {
    RipOutcome Outcome = RipOutcome::Failed;
    // Why it failed (Failed only).
    RipError Error;
    // Chunks that came with repaired or skipped sectors, and the library's count of them.
    int32_t DamagedChunks = 0;
    int32_t JitterErrors = 0;
    // Sectors inside the damaged runs reported.
    int32_t DamagedSectors = 0;
    // "first last" per damaged chunk, as the library reports it.
    QStringList JitterList;
    // The jitter list written beside the file (only when there was damage), or empty.
    QString JitterFile;
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

    // Rips the inclusive range into FinalPath through Sink. When JitterExtension is not empty,
    // the jitter list goes to FinalPath with its extension replaced by it, and an older list of
    // that name is removed after a clean rip.
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

// The file name with its extension (from the last dot of the name part) replaced by Extension.
QString ReplaceExtension(const QString &Path, const QString &Extension);
