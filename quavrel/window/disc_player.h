#pragma once
// Playing the disc through the sound server: the tracks are read through the run-time ripping
// library, as a rip reads them, and their PCM goes to Qt Multimedia's audio sink (PulseAudio or
// PipeWire), so the sound comes out of the computer's own output without an audio cable from the
// drive. Play runs on through the following audio tracks to the end of the disc.
//
// The library is read on a reader thread of the player's own, attached as a rip's is: while the
// player holds the library open, the window's calls into it go through CallRipLibrary, and the
// library is never entered from two threads. Stop waits for the chunk in flight (it stops within a
// sector) and closes the library before it returns, so a rip can start right after it. Everything
// else runs on the window's thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QAudioSink;
class QIODevice;
class ReaderThread;
class RuntimeRipSource;

class DiscPlayer : public QObject {
    Q_OBJECT
  public:
    enum class State { Stopped, Playing, Paused };
    struct Track {
        int Number = 0;
        int32_t First = 0;
        int32_t Last = -1;
    };

    explicit DiscPlayer(QObject *Parent = nullptr);
    ~DiscPlayer() override;

    // Plays Tracks[Index] and then the ones after it. False with the reason in Error (no audio
    // output, the drive refused the range); nothing plays then.
    bool Play(const std::vector<Track> &Tracks, size_t Index, QString &Error);
    void Pause();
    void Resume();
    void Stop();
    // The track after the one heard, from its start; false (and play goes on) on the last one.
    bool Next();

    State CurrentState() const { return state_; }
    // The track heard and the position in it, in milliseconds; 0 when stopped.
    int CurrentTrack() const;
    qint64 PositionMs() const;
    qint64 LengthMs() const;
    // Chunks read from the drive since the player was made.
    int64_t ChunksRead() const { return chunksRead_; }

    // Asked before each read: false stops play instead (a rip runs).
    std::function<bool()> MayRead;
    // The state or the position changed; Problem is not empty when play stopped on a fault.
    std::function<void(const QString &Problem)> OnChanged;

  private:
    void Pump();
    bool OpenTrack(size_t Index, QString &Error);
    void CloseLibrary();
    void Halt(const QString &Problem);
    qint64 PlayedBytes() const;

    std::unique_ptr<ReaderThread> reader_;
    std::unique_ptr<RuntimeRipSource> source_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice *output_ = nullptr;
    QTimer pump_;
    State state_ = State::Stopped;
    std::vector<Track> tracks_;
    // The track being read, and whether the library holds its range open.
    size_t reading_ = 0;
    bool open_ = false;
    bool readDone_ = false;
    bool inRead_ = false;
    int32_t abort_ = 0;
    int32_t chunkBytes_ = 0;
    QByteArray pending_;
    qint64 written_ = 0;
    // Where each track's audio begins in what was handed to the sink.
    struct Start {
        qint64 Byte;
        size_t Index;
    };
    std::deque<Start> starts_;
    int64_t chunksRead_ = 0;
    // A Stop during a read: the read's result is dropped.
    uint64_t generation_ = 0;
};
