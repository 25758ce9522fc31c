#include "quavrel/engine/formats/flac_sink.h"

#include "quavrel/engine/pipeline/staged_file.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <algorithm>
#include <cstring>

#include <QFile>

namespace {

constexpr uint32_t kRate = 44100;
constexpr size_t kFrameBytes = 4;
// A seek point every ten seconds, as the flac program places them.
constexpr uint32_t kSeekSpacing = 10 * kRate;
// Room for later tag edits without rewriting the audio.
constexpr uint32_t kPaddingBytes = 4096;

FlacSink *SinkOf(void *client)
{
    return static_cast<FlacSink *>(client);
}

FLAC__StreamEncoderWriteStatus WriteBytes(const FLAC__StreamEncoder *, const FLAC__byte buffer[],
                                          size_t bytes, uint32_t, uint32_t, void *client)
{
    QFile *file = SinkOf(client)->OutputFile();
    const auto size = static_cast<qint64>(bytes);
    return file && file->write(reinterpret_cast<const char *>(buffer), size) == size
               ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
               : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus SeekTo(const FLAC__StreamEncoder *, FLAC__uint64 offset, void *client)
{
    QFile *file = SinkOf(client)->OutputFile();
    return file && file->seek(static_cast<qint64>(offset)) ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
                                                           : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder *, FLAC__uint64 *offset, void *client)
{
    QFile *file = SinkOf(client)->OutputFile();
    if (!file)
        return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *offset = static_cast<FLAC__uint64>(file->pos());
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

} // namespace

void FlacSink::EncoderDeleter::operator()(FLAC__StreamEncoder *Encoder) const
{
    FLAC__stream_encoder_delete(Encoder);
}

void FlacSink::MetadataDeleter::operator()(FLAC__StreamMetadata *Block) const
{
    FLAC__metadata_object_delete(Block);
}

FlacSink::FlacSink(int CompressionLevel, const TrackTags &Tags, uint64_t ExpectedFrames)
    : level_(std::clamp(CompressionLevel, 0, 8)), tags_(Tags), expectedFrames_(ExpectedFrames)
{
}

FlacSink::~FlacSink()
{
    Abandon();
}

bool FlacSink::Begin(QFile &File, QString &Error)
{
    file_ = &File;
    partialBytes_ = 0;
    encoder_.reset(FLAC__stream_encoder_new());
    if (!encoder_) {
        Error = QStringLiteral("mémoire insuffisante pour l'encodeur FLAC");
        return false;
    }
    FLAC__StreamEncoder *encoder = encoder_.get();
    FLAC__stream_encoder_set_channels(encoder, 2);
    FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
    FLAC__stream_encoder_set_sample_rate(encoder, kRate);
    FLAC__stream_encoder_set_compression_level(encoder, static_cast<uint32_t>(level_));
    FLAC__stream_encoder_set_total_samples_estimate(encoder, expectedFrames_);

    blocks_.clear();
    std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter> comments(
        FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
    bool made = comments != nullptr;
    for (const auto &[name, value] : VorbisComments(tags_)) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        made = made &&
               FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
                   &entry, name.toUtf8().constData(), value.toUtf8().constData()) &&
               FLAC__metadata_object_vorbiscomment_append_comment(comments.get(), entry, false);
    }
    blocks_.push_back(std::move(comments));
    if (expectedFrames_ > 0) {
        std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter> seekTable(
            FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE));
        made = made && seekTable &&
               FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
                   seekTable.get(), kSeekSpacing, expectedFrames_) &&
               FLAC__metadata_object_seektable_template_sort(seekTable.get(), true);
        blocks_.push_back(std::move(seekTable));
    }
    std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter> padding(
        FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING));
    if (padding)
        padding->length = kPaddingBytes;
    made = made && padding;
    blocks_.push_back(std::move(padding));
    if (!made) {
        Error = QStringLiteral("mémoire insuffisante pour les métadonnées FLAC");
        Release();
        return false;
    }
    std::vector<FLAC__StreamMetadata *> metadata;
    for (const auto &block : blocks_)
        metadata.push_back(block.get());
    FLAC__stream_encoder_set_metadata(encoder, metadata.data(), static_cast<uint32_t>(metadata.size()));

    const FLAC__StreamEncoderInitStatus status =
        FLAC__stream_encoder_init_stream(encoder, WriteBytes, SeekTo, Tell, nullptr, this);
    if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        Error = status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR
                    ? EncoderError()
                    : QStringLiteral("l'encodeur FLAC refuse ces paramètres (%1)")
                          .arg(QString::fromLatin1(FLAC__StreamEncoderInitStatusString[status]));
        Release();
        return false;
    }
    return true;
}

bool FlacSink::Write(const uint8_t *Pcm, size_t Bytes, QString &Error)
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

bool FlacSink::Encode(const uint8_t *Pcm, size_t Frames, QString &Error)
{
    // libFLAC takes one 32-bit value per sample; the PCM is 16-bit little-endian.
    samples_.resize(2 * Frames);
    for (size_t i = 0; i < samples_.size(); ++i)
        samples_[i] = static_cast<int16_t>(static_cast<uint16_t>(Pcm[2 * i] | (Pcm[2 * i + 1] << 8)));
    if (FLAC__stream_encoder_process_interleaved(encoder_.get(), samples_.data(),
                                                 static_cast<uint32_t>(Frames)))
        return true;
    Error = EncoderError();
    return false;
}

QString FlacSink::EncoderError() const
{
    const FLAC__StreamEncoderState state = FLAC__stream_encoder_get_state(encoder_.get());
    // A refused write or seek of the file: the file's own reason.
    if (state == FLAC__STREAM_ENCODER_CLIENT_ERROR && file_)
        return WriteFailureReason(*file_);
    return QStringLiteral("erreur de l'encodeur FLAC (%1)")
        .arg(QString::fromLatin1(FLAC__StreamEncoderStateString[state]));
}

bool FlacSink::Finish(QFile &File, const QString &, QString &Error)
{
    // A half sample frame at the very end is no audio: the ripper delivers whole sectors.
    partialBytes_ = 0;
    // Writes the last frames, then STREAMINFO with the length and MD5, and the seek table.
    if (!FLAC__stream_encoder_finish(encoder_.get())) {
        Error = EncoderError();
        Release();
        return false;
    }
    Release();
    if (!File.flush()) {
        Error = WriteFailureReason(File);
        return false;
    }
    return true;
}

void FlacSink::Abandon()
{
    // The file is thrown away: the encoder's last writes go nowhere.
    file_ = nullptr;
    Release();
}

void FlacSink::Release()
{
    // Deleting an encoder that was not finished would still write through the callbacks.
    QFile *file = file_;
    file_ = nullptr;
    encoder_.reset();
    blocks_.clear();
    file_ = file;
}
