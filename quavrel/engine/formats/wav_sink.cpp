#include "quavrel/engine/formats/wav_sink.h"

#include "quavrel/engine/formats/wav_header.h"
#include "quavrel/engine/pipeline/staged_file.h"

#include <limits>

#include <QFile>

namespace {

bool WriteAll(QFile &file, const void *data, qint64 size, QString &error)
{
    if (file.write(static_cast<const char *>(data), size) == size)
        return true;
    error = WriteFailureReason(file);
    return false;
}

} // namespace

WavSink::WavSink(int Channels, int Rate, bool WithHeader)
    : channels_(Channels), rate_(Rate), withHeader_(WithHeader)
{
}

bool WavSink::Begin(QFile &File, QString &Error)
{
    file_ = &File;
    dataBytes_ = 0;
    if (!withHeader_)
        return true;
    const WavHeader header = MakeWavHeader(channels_, rate_, 0);
    return WriteAll(File, header.data(), static_cast<qint64>(header.size()), Error);
}

bool WavSink::Write(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    // The RIFF sizes are 32 bits wide: a longer stream could not be described.
    if (withHeader_ && dataBytes_ + Bytes > std::numeric_limits<uint32_t>::max() - 36u) {
        Error = QStringLiteral("plus de 4 Go");
        return false;
    }
    dataBytes_ += Bytes;
    return WriteAll(*file_, Pcm, static_cast<qint64>(Bytes), Error);
}

bool WavSink::Finish(QFile &File, const QString &, QString &Error)
{
    if (withHeader_) {
        const WavHeader header = MakeWavHeader(channels_, rate_, static_cast<uint32_t>(dataBytes_));
        if (!File.seek(kWavRiffSizeOffset) || !WriteAll(File, &header[kWavRiffSizeOffset], 4, Error) ||
            !File.seek(kWavDataSizeOffset) || !WriteAll(File, &header[kWavDataSizeOffset], 4, Error)) {
            if (Error.isEmpty())
                Error = WriteFailureReason(File);
            return false;
        }
    }
    if (!File.flush()) {
        Error = WriteFailureReason(File);
        return false;
    }
    return true;
}
