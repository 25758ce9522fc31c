#pragma once
// PCM as it comes, after a 44-byte WAV header whose sizes are those of the data written; or the
// bare PCM without a header.

#include "quavrel/engine/pipeline/audio_sink.h"

class WavSink : public AudioSink {
  public:
    WavSink(int Channels, int Rate, bool WithHeader = true);

    QString Extension() const override { return QStringLiteral(".wav"); }
    bool Begin(QFile &File, QString &Error) override;
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override;
    bool Finish(QFile &File, const QString &Path, QString &Error) override;
    void Abandon() override {}

  private:
    QFile *file_ = nullptr;
    int channels_;
    int rate_;
    bool withHeader_;
    uint64_t dataBytes_ = 0;
};
