#include "quavrel/engine/formats/opus_sink.h"

#include "quavrel/engine/pipeline/staged_file.h"

#include <algorithm>
#include <cstring>
#include <opus/opusenc.h>

#include <QFile>

namespace {

constexpr size_t kFrameBytes = 4;

int WriteBytes(void *user, const unsigned char *bytes, opus_int32 length)
{
    QFile *file = static_cast<OpusSink *>(user)->OutputFile();
    // Anything but 0 stops the encoder with OPE_WRITE_FAIL.
    return file && file->write(reinterpret_cast<const char *>(bytes), length) == length ? 0 : 1;
}

int CloseStream(void *)
{
    // The pipeline owns the file.
    return 0;
}

} // namespace

void OpusSink::EncoderDeleter::operator()(OggOpusEnc *Encoder) const
{
    ope_encoder_destroy(Encoder);
}

void OpusSink::CommentsDeleter::operator()(OggOpusComments *Comments) const
{
    ope_comments_destroy(Comments);
}

OpusSink::OpusSink(int BitrateKbps, const TrackTags &Tags)
    : bitrate_(std::clamp(BitrateKbps, 64, 256)), tags_(Tags)
{
}

OpusSink::~OpusSink()
{
    Abandon();
}

QString OpusSink::EncoderError(int Code) const
{
    if (Code == OPE_WRITE_FAIL && file_)
        return WriteFailureReason(*file_);
    return QStringLiteral("erreur de l'encodeur Opus (%1)").arg(QString::fromUtf8(ope_strerror(Code)));
}

bool OpusSink::Begin(QFile &File, QString &Error)
{
    file_ = &File;
    partialBytes_ = 0;
    std::unique_ptr<OggOpusComments, CommentsDeleter> comments(ope_comments_create());
    bool made = comments != nullptr;
    for (const auto &[name, value] : VorbisComments(tags_))
        made = made && ope_comments_add(comments.get(), name.toUtf8().constData(),
                                        value.toUtf8().constData()) == OPE_OK;
    if (!made) {
        Error = QStringLiteral("mémoire insuffisante pour les commentaires Opus");
        return false;
    }
    const OpusEncCallbacks callbacks{WriteBytes, CloseStream};
    int error = OPE_OK;
    // The encoder copies the comments. Family 0: one stereo stream.
    encoder_.reset(ope_encoder_create_callbacks(&callbacks, this, comments.get(), 44100, 2, 0, &error));
    if (!encoder_) {
        Error = EncoderError(error);
        return false;
    }
    error = ope_encoder_ctl(encoder_.get(), OPUS_SET_BITRATE(bitrate_ * 1000));
    if (error != OPE_OK) {
        Error = EncoderError(error);
        encoder_.reset();
        return false;
    }
    return true;
}

bool OpusSink::Write(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    if (partialBytes_ > 0) {
        const size_t taken = std::min(Bytes, kFrameBytes - partialBytes_);
        std::memcpy(partial_ + partialBytes_, Pcm, taken);
        partialBytes_ += taken;
        Pcm += taken;
        Bytes -= taken;
        if (partialBytes_ < kFrameBytes)
            return true;
        partialBytes_ = 0;
        if (!Encode(partial_, 1, Error))
            return false;
    }
    const size_t frames = Bytes / kFrameBytes;
    if (frames > 0 && !Encode(Pcm, frames, Error))
        return false;
    partialBytes_ = Bytes % kFrameBytes;
    std::memcpy(partial_, Pcm + frames * kFrameBytes, partialBytes_);
    return true;
}

bool OpusSink::Encode(const uint8_t *Pcm, size_t Frames, QString &Error)
{
    samples_.resize(2 * Frames);
    for (size_t i = 0; i < samples_.size(); ++i)
        samples_[i] = static_cast<int16_t>(static_cast<uint16_t>(Pcm[2 * i] | (Pcm[2 * i + 1] << 8)));
    const int result = ope_encoder_write(encoder_.get(), samples_.data(), static_cast<int>(Frames));
    if (result == OPE_OK)
        return true;
    Error = EncoderError(result);
    return false;
}

bool OpusSink::Finish(QFile &File, const QString &, QString &Error)
{
    partialBytes_ = 0;
    // The last packets, and the end of stream page whose granule position trims the padding.
    const int result = ope_encoder_drain(encoder_.get());
    if (result != OPE_OK) {
        Error = EncoderError(result);
        encoder_.reset();
        return false;
    }
    encoder_.reset();
    if (!File.flush()) {
        Error = WriteFailureReason(File);
        return false;
    }
    return true;
}

void OpusSink::Abandon()
{
    // The file is thrown away: whatever the encoder still writes goes nowhere.
    file_ = nullptr;
    encoder_.reset();
}
