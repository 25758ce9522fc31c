#pragma once
// FLAC through libFLAC's stream encoder: 16-bit stereo PCM at a compression level 0..8, with
// the track's Vorbis comments and a seek table written before the audio. The encoder writes
// STREAMINFO (sample count, MD5 of the audio) back at the start of the file when it finishes.

#include "quavrel/engine/pipeline/audio_sink.h"
#include "quavrel/engine/tags/track_tags.h"

#include <FLAC/format.h>
#include <FLAC/stream_encoder.h>
#include <cstdint>
#include <memory>
#include <vector>

class FlacSink : public AudioSink {
  public:
    // ExpectedFrames, the track's length in sample frames (0 when unknown), places the seek
    // points; the file's own length comes from the audio given.
    FlacSink(int CompressionLevel, const TrackTags &Tags, uint64_t ExpectedFrames = 0);
    ~FlacSink() override;

    QString Extension() const override { return QStringLiteral(".flac"); }
    bool Begin(QFile &File, QString &Error) override;
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override;
    bool Finish(QFile &File, const QString &Path, QString &Error) override;
    void Abandon() override;

    // What libFLAC's callbacks reach.
    QFile *OutputFile() const { return file_; }

  private:
    struct EncoderDeleter {
        void operator()(FLAC__StreamEncoder *Encoder) const;
    };
    struct MetadataDeleter {
        void operator()(FLAC__StreamMetadata *Block) const;
    };
    bool Encode(const uint8_t *Pcm, size_t Frames, QString &Error);
    QString EncoderError() const;
    void Release();

    int level_;
    TrackTags tags_;
    uint64_t expectedFrames_;
    QFile *file_ = nullptr;
    std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder_;
    std::vector<std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>> blocks_;
    // A sample frame split between two chunks waits here for its other bytes.
    uint8_t partial_[4] = {};
    size_t partialBytes_ = 0;
    std::vector<int32_t> samples_;
};
