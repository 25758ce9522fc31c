#pragma once
// TCDRIP: rips a range of CD sectors through the linked ripping library (libCDRip) to a PCM file,
// optionally with a WAV header, or through a linked TLameCoder to an MP3 file.

#include "platform/cdrip/cdrip_types.h"
#include "quavrel/engine/bindings/component_events.h"
#include "quavrel/engine/pipeline/rip_pipeline.h"
#include "quavrel/engine/ripper/cd_rip_types.h"
#include "quavrel/engine/ripper/track_list.h"
#include "quavrel/engine/tags/track_tags.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include <QObject>
#include <QString>
#include <QStringList>

class TLameCoder;

class ECDRIPError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "Write error": the output file could not be written; Reason() names it and says why.
class ECDRIPWriteError : public ECDRIPError {
  public:
    explicit ECDRIPWriteError(const QString &Reason) : ECDRIPError("Write error"), reason_(Reason) {}
    const QString &Reason() const { return reason_; }

  private:
    QString reason_;
};

class TCDRIP : public QObject {
  public:
    // Initialises the ripping library and reads the active drive's TOC. Raises ECDRIPError
    // "Initialization failure" when that throws; a library that merely fails leaves an empty state.
    explicit TCDRIP(QObject *Owner = nullptr);
    ~TCDRIP() override;

    TLameCoder *Coder() const { return coder_; }
    // Not owned. Runs SyncCoder.
    void SetCoder(TLameCoder *Value);
    int32_t CDRomNum() const { return cdRomNum_; }
    // Makes drive Value active and re-reads its TOC; nothing when it is already active.
    void SetCDRomNum(int32_t Value);
    TDriveTableClass &DriveTable() { return driveTable_; }
    TOutputFormat OutputFormat() const { return outputFormat_; }
    void SetOutputFormat(TOutputFormat Value);
    bool Encode() const { return encode_; }
    void SetEncode(bool Value) { encode_ = Value; }
    bool WriteWAV() const { return writeWAV_; }
    void SetWriteWAV(bool Value) { writeWAV_ = Value; }
    bool JitterCorrect() const { return jitterCorrect_; }
    void SetJitterCorrect(bool Value);
    const QString &Version() const { return version_; }
    void SetVersion(const QString &Value) { version_ = Value; }
    int32_t Speed() const { return speed_; }
    void SetSpeed(int32_t Value) { speed_ = Value; }
    // The tags of the MP3 files of the next rips; empty ones write no tag.
    const TrackTags &Tags() const { return tags_; }
    void SetTags(const TrackTags &Value) { tags_ = Value; }

    int32_t TrackCount() const { return trackCount_; }
    const TTrackList &Tracks() const { return tracks_; }
    // "first last" lines, one per jitter error of the last rip.
    const QStringList &JitterList() const { return jitterList_; }
    int32_t JitterErrors() const { return jitterErrors_; }

    TProcessTrackEvent OnBeginTrack;
    TProcessTrackEvent OnEndTrack;
    TProgressEvent OnProgress;

    // Rips track TrackNum (1-based) to FileName.
    void RipTrack(int32_t TrackNum, const QString &FileName);
    // Rips the inclusive sector range to FileName (".mp3" replaces its extension when encoding).
    // The file is put in place only when complete; a cancel leaves any older file as it was.
    // Raises ECDRIPWriteError when the file cannot be written.
    void RipSectors(int32_t FirstSector, int32_t LastSector, const QString &FileName);
    // The running rip stops at once (the chunk being read is abandoned).
    void CancelRip();
    // How the last rip ended, and its damaged sectors.
    const RipReport &LastRip() const { return lastRip_; }
    // Hands the parameter record to the library; false when it refuses it.
    bool ApplyParameters();
    // Sets the coder's mode and sample rate from OutputFormat.
    void SyncCoder();

  private:
    void ReadParamsIntoProperties();
    void BuildTrackList();

    TLameCoder *coder_ = nullptr;
    int32_t cdRomNum_ = 0;
    TDriveTableClass driveTable_;
    TOutputFormat outputFormat_ = TOutputFormat::STEREO44100;
    bool encode_ = false;
    bool writeWAV_ = false;
    bool jitterCorrect_ = true;
    bool cancel_ = false;
    QString version_;
    int32_t speed_ = 0;
    TrackTags tags_;
    int32_t trackCount_ = 0;
    TTrackList tracks_;
    QStringList jitterList_;
    int32_t jitterErrors_ = 0;
    RipReport lastRip_;
    // The rip in progress, to cancel it.
    RipPipeline *pipeline_ = nullptr;
    // The linked library exchanges the record's first 340 bytes only.
    TCDRomParams params_{};
};
