#pragma once
// Ogg Vorbis through the Vorbis library's vb operations: the PCM is cut into the blocks the
// encoder asks for, and each block's encoded bytes go to the file at once.

#include "quavrel/engine/bindings/vorbis_binding.h"
#include "quavrel/engine/formats/pcm_blocks.h"
#include "quavrel/engine/pipeline/audio_sink.h"

#include <array>
#include <utility>
#include <vector>

class OggSink : public AudioSink {
  public:
    // Tag's texts are copied: the caller's buffers may change once this returns.
    OggSink(const VB_CONFIG &Format, const VB_TAG &Tag);
    ~OggSink() override;

    QString Extension() const override { return QStringLiteral(".ogg"); }
    bool Begin(QFile &File, QString &Error) override;
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override;
    bool Finish(QFile &File, const QString &Path, QString &Error) override;
    void Abandon() override;

    // Comments the tag record has no field for, added to the finished file.
    void SetExtraComments(const std::vector<std::pair<QString, QString>> &Comments)
    {
        extraComments_ = Comments;
    }

  private:
    bool Encode(const uint8_t *Pcm, size_t Bytes, QString &Error);
    bool Emit(uint32_t Bytes, QString &Error);

    VB_CONFIG format_;
    VB_TAG tag_;
    std::array<QByteArray, 6> texts_;
    QByteArray encodingTime_;
    QFile *file_ = nullptr;
    HVB_STREAM stream_ = 0;
    PcmBlocks blocks_;
    std::vector<uint8_t> output_;
    std::vector<std::pair<QString, QString>> extraComments_;
};
