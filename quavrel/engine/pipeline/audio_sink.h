#pragma once
// Where a track's audio goes: one file format. The pipeline hands a sink the track's PCM as the
// ripping library delivers it (16-bit little-endian, channels interleaved), then either finishes
// it or abandons it. A sink runs on one of the pipeline's encoder threads, one call at a time. A sink's
// Error is the reason alone ("No space left on device"); the pipeline names the file.

#include <cstddef>
#include <cstdint>

#include <QString>

class QFile;

class AudioSink {
  public:
    virtual ~AudioSink() = default;

    // The file name extension, dot included.
    virtual QString Extension() const = 0;
    // Starts the stream in File, open and empty. False with the reason in Error.
    virtual bool Begin(QFile &File, QString &Error) = 0;
    virtual bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) = 0;
    // The stream's last bytes and headers; File then holds the whole stream, flushed. Path names
    // File, for what is written into the finished file by name (tags, an Info frame).
    virtual bool Finish(QFile &File, const QString &Path, QString &Error) = 0;
    // After a cancel or a failure: releases what Begin took. The file is thrown away.
    virtual void Abandon() = 0;
};
