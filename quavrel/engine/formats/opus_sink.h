#pragma once
// Ogg Opus through libopusenc: the drive's 16-bit stereo PCM at 44100 Hz, resampled to 48 kHz by
// the library, at a bitrate of 64 to 256 kbit/s, with the track's Vorbis comments in the stream's
// header. The library writes the pre-skip and the last page's granule position, so a decoder gives
// back exactly the track's length.

#include "quavrel/engine/pipeline/audio_sink.h"
#include "quavrel/engine/tags/track_tags.h"

#include <cstdint>
#include <memory>
#include <vector>

struct OggOpusEnc;
struct OggOpusComments;

class OpusSink : public AudioSink {
  public:
    // The bitrate is brought within 64..256 kbit/s.
    OpusSink(int BitrateKbps, const TrackTags &Tags);
    ~OpusSink() override;

    QString Extension() const override { return QStringLiteral(".opus"); }
    bool Begin(QFile &File, QString &Error) override;
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override;
    bool Finish(QFile &File, const QString &Path, QString &Error) override;
    void Abandon() override;

    // What libopusenc's write callback reaches.
    QFile *OutputFile() const { return file_; }

  private:
    struct EncoderDeleter {
        void operator()(OggOpusEnc *Encoder) const;
    };
    struct CommentsDeleter {
        void operator()(OggOpusComments *Comments) const;
    };
    bool Encode(const uint8_t *Pcm, size_t Frames, QString &Error);
    QString EncoderError(int Code) const;

    int bitrate_;
    TrackTags tags_;
    QFile *file_ = nullptr;
    std::unique_ptr<OggOpusEnc, EncoderDeleter> encoder_;
    uint8_t partial_[4] = {};
    size_t partialBytes_ = 0;
    std::vector<int16_t> samples_;
};
