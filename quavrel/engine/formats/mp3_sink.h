#pragma once
// MP3 through an MP3 encoder component (TLameCoder, not owned): its settings at Begin make the
// stream, always with an Info frame, written at the start of the finished file; then the track's
// tags around the audio.

#include "quavrel/engine/formats/pcm_blocks.h"
#include "quavrel/engine/pipeline/audio_sink.h"
#include "quavrel/engine/tags/track_tags.h"

#include <vector>

class TLameCoder;

class Mp3Sink : public AudioSink {
  public:
    explicit Mp3Sink(TLameCoder &Coder);
    ~Mp3Sink() override;

    QString Extension() const override { return QStringLiteral(".mp3"); }
    bool Begin(QFile &File, QString &Error) override;
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override;
    bool Finish(QFile &File, const QString &Path, QString &Error) override;
    void Abandon() override;

    // The tags of the finished file; none are written while they are all empty.
    void SetTags(const TrackTags &Tags) { tags_ = Tags; }

  private:
    bool Encode(const uint8_t *Pcm, size_t Bytes, QString &Error);
    bool Emit(uint32_t Bytes, QString &Error);

    TLameCoder &coder_;
    QFile *file_ = nullptr;
    bool open_ = false;
    PcmBlocks blocks_;
    TrackTags tags_;
};
