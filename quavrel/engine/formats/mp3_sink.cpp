#include "quavrel/engine/formats/mp3_sink.h"

#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/pipeline/staged_file.h"
#include "quavrel/engine/tags/mp3_tags.h"

#include <QFile>

Mp3Sink::Mp3Sink(TLameCoder &Coder) : coder_(Coder) {}

Mp3Sink::~Mp3Sink()
{
    Abandon();
}

bool Mp3Sink::Begin(QFile &File, QString &Error)
{
    file_ = &File;
    // Every MP3 begins with its Info frame, CBR too: decoders trim the encoder's delay and padding
    // by it and play the track's exact length.
    coder_.SetWriteVBRHeader(true);
    const BE_ERR opened = coder_.InitStream();
    if (opened != BE_ERR_SUCCESSFUL || coder_.Samples() == 0) {
        Error = QStringLiteral("l'encodeur MP3 refuse ces paramètres (%1)").arg(opened);
        return false;
    }
    open_ = true;
    blocks_.Reset(2 * static_cast<size_t>(coder_.Samples()));
    return true;
}

bool Mp3Sink::Write(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    return blocks_.Feed(Pcm, Bytes,
                        [&](const uint8_t *block, size_t bytes) { return Encode(block, bytes, Error); });
}

bool Mp3Sink::Encode(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    uint32_t outBytes = 0;
    const auto *samples = reinterpret_cast<const int16_t *>(Pcm);
    const BE_ERR encoded =
        Bytes == blocks_.BlockBytes()
            ? coder_.EncodeChunk(samples, coder_.OutBuffer(), &outBytes)
            : coder_.EncodeChunk(static_cast<uint32_t>(Bytes / 2), samples, coder_.OutBuffer(), &outBytes);
    if (encoded != BE_ERR_SUCCESSFUL) {
        Error = QStringLiteral("erreur de l'encodeur MP3 (%1)").arg(encoded);
        return false;
    }
    return Emit(outBytes, Error);
}

bool Mp3Sink::Emit(uint32_t Bytes, QString &Error)
{
    if (Bytes == 0 ||
        file_->write(reinterpret_cast<const char *>(coder_.OutBuffer()), Bytes) == static_cast<qint64>(Bytes))
        return true;
    Error = WriteFailureReason(*file_);
    return false;
}

bool Mp3Sink::Finish(QFile &File, const QString &Path, QString &Error)
{
    // The last, shorter block is the end of the track's audio: it is encoded too.
    if (!blocks_.Flush([&](const uint8_t *block, size_t bytes) { return Encode(block, bytes, Error); }))
        return false;
    uint32_t outBytes = 0;
    if (coder_.DeinitStream(coder_.OutBuffer(), &outBytes) != BE_ERR_SUCCESSFUL) {
        Error = QStringLiteral("erreur de l'encodeur MP3 à la fin du flux");
        return false;
    }
    if (!Emit(outBytes, Error))
        return false;
    if (!File.flush()) {
        Error = WriteFailureReason(File);
        return false;
    }
    // The Info frame holds the length and seek table of the finished stream.
    if (coder_.WriteInfoTag(Path) != BE_ERR_SUCCESSFUL) {
        Error = QStringLiteral("en-tête VBR non écrit");
        return false;
    }
    coder_.CloseStream();
    open_ = false;
    // After the Info frame: the tag in front moves the frames, and the Info frame with them.
    return tags_ == TrackTags{} || WriteMp3Tags(Path, tags_, Error);
}

void Mp3Sink::Abandon()
{
    if (!open_)
        return;
    coder_.CloseStream();
    open_ = false;
}
