#include "quavrel/engine/formats/ogg_sink.h"

#include "quavrel/engine/pipeline/staged_file.h"
#include "quavrel/engine/tags/ogg_tags.h"

#include <QFile>

OggSink::OggSink(const VB_CONFIG &Format, const VB_TAG &Tag) : format_(Format), tag_(Tag)
{
    const char **fields[] = {&tag_.lpszArtist,  &tag_.lpszAlbum, &tag_.lpszTitle,
                             &tag_.lpszComment, &tag_.lpszGenre, &tag_.lpszEncodedBy};
    for (size_t i = 0; i < texts_.size(); ++i) {
        if (!*fields[i])
            continue;
        texts_[i] = QByteArray(*fields[i]);
        *fields[i] = texts_[i].constData();
    }
    encodingTime_ = tag_.lpszEncodingTime ? QByteArray(tag_.lpszEncodingTime) : QByteArray();
    if (tag_.lpszEncodingTime)
        tag_.lpszEncodingTime = encodingTime_.constData();
}

OggSink::~OggSink()
{
    Abandon();
}

bool OggSink::Begin(QFile &File, QString &Error)
{
    file_ = &File;
    if (!VorbisLoaded()) {
        Error = QStringLiteral("Vorbis.DLL non prête.");
        return false;
    }
    uint32_t samples = 0;
    uint32_t outSize = 0;
    const VB_ERR opened = vbEncOpen(&format_, &tag_, &samples, &outSize, &stream_);
    if (opened != VB_ERR_SUCCESSFUL || samples == 0) {
        stream_ = 0;
        Error = QStringLiteral("l'encodeur Vorbis refuse ces paramètres (%1)").arg(opened);
        return false;
    }
    blocks_.Reset(2 * static_cast<size_t>(samples));
    output_.assign(outSize, 0);
    return true;
}

bool OggSink::Write(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    return blocks_.Feed(Pcm, Bytes,
                        [&](const uint8_t *block, size_t bytes) { return Encode(block, bytes, Error); });
}

bool OggSink::Encode(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    uint32_t outBytes = 0;
    const VB_ERR written = vbEncWrite(stream_, static_cast<uint32_t>(Bytes / 2),
                                      reinterpret_cast<const int16_t *>(Pcm), output_.data(), &outBytes);
    if (written != VB_ERR_SUCCESSFUL) {
        Error = QStringLiteral("erreur de l'encodeur Vorbis (%1)").arg(written);
        return false;
    }
    return Emit(outBytes, Error);
}

bool OggSink::Emit(uint32_t Bytes, QString &Error)
{
    if (file_->write(reinterpret_cast<const char *>(output_.data()), Bytes) == static_cast<qint64>(Bytes))
        return true;
    Error = WriteFailureReason(*file_);
    return false;
}

bool OggSink::Finish(QFile &File, const QString &Path, QString &Error)
{
    // The last, shorter block is the end of the track's audio: it is encoded too.
    if (!blocks_.Flush([&](const uint8_t *block, size_t bytes) { return Encode(block, bytes, Error); }))
        return false;
    uint32_t outBytes = 0;
    const VB_ERR closed = vbEncClose(stream_, output_.data(), &outBytes);
    stream_ = 0;
    if (closed != VB_ERR_SUCCESSFUL) {
        Error = QStringLiteral("erreur de l'encodeur Vorbis à la fin du flux (%1)").arg(closed);
        return false;
    }
    if (!Emit(outBytes, Error))
        return false;
    if (!File.flush()) {
        Error = WriteFailureReason(File);
        return false;
    }
    return extraComments_.empty() || AddOggComments(Path, extraComments_, Error);
}

void OggSink::Abandon()
{
    if (stream_ == 0)
        return;
    uint32_t outBytes = 0;
    vbEncClose(stream_, output_.data(), &outBytes);
    stream_ = 0;
}
