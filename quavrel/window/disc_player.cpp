#include "quavrel/window/disc_player.h"

#include "platform/cdrip/cdrip_types.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/pipeline/reader_thread.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"

#include <algorithm>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace {

constexpr qint64 kBytesPerSecond = 44100 * 4;
// Read ahead of what the sound server holds, so that a slow read is not heard.
constexpr qint64 kReadAhead = 2 * kBytesPerSecond;
constexpr int kPumpMs = 40;

QAudioFormat CdFormat()
{
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

DiscPlayer::DiscPlayer(QObject *Parent)
    : QObject(Parent), reader_(std::make_unique<ReaderThread>()),
      source_(std::make_unique<RuntimeRipSource>())
{
    pump_.setInterval(kPumpMs);
    connect(&pump_, &QTimer::timeout, this, [this] { Pump(); });
}

DiscPlayer::~DiscPlayer()
{
    Stop();
}

bool DiscPlayer::Play(const std::vector<Track> &Tracks, size_t Index, QString &Error)
{
    Stop();
    if (Index >= Tracks.size()) {
        Error = QStringLiteral("pas de piste à lire");
        return false;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        Error = QStringLiteral("aucune sortie audio");
        return false;
    }
    if (!device.isFormatSupported(CdFormat())) {
        Error = QStringLiteral("la sortie audio « %1 » refuse le son du disque (44100 Hz, 16 bits, stéréo)")
                    .arg(device.description());
        return false;
    }
    tracks_ = Tracks;
    // From here the window's calls into the library wait for the player's reader.
    source_->Attach(reader_.get());
    if (!OpenTrack(Index, Error)) {
        source_->Attach(nullptr);
        return false;
    }
    sink_ = std::make_unique<QAudioSink>(device, CdFormat());
    sink_->setBufferSize(static_cast<qsizetype>(kBytesPerSecond / 2));
    output_ = sink_->start();
    if (!output_ || sink_->error() != QAudio::NoError) {
        Error = QStringLiteral("la sortie audio « %1 » ne s'ouvre pas").arg(device.description());
        Halt({});
        return false;
    }
    written_ = 0;
    starts_ = {{0, Index}};
    state_ = State::Playing;
    pump_.start();
    Pump();
    return true;
}

bool DiscPlayer::OpenTrack(size_t Index, QString &Error)
{
    CloseLibrary();
    const Track &track = tracks_[Index];
    int32_t opened = CDRIP_ERROR;
    int32_t bytes = 0;
    reader_->Run([&] { opened = source_->Open(track.First, track.Last, bytes); });
    if (opened != CDRIP_OK) {
        Error = QStringLiteral("le lecteur refuse de lire la piste %1").arg(track.Number);
        return false;
    }
    open_ = true;
    readDone_ = false;
    reading_ = Index;
    chunkBytes_ = std::max(bytes, 1);
    return true;
}

void DiscPlayer::CloseLibrary()
{
    if (!open_)
        return;
    open_ = false;
    // Queued behind the chunk in flight, if any: it has stopped at the abort flag by then.
    reader_->Run([this] { source_->Close(); });
}

void DiscPlayer::Pump()
{
    if (state_ == State::Stopped || !sink_)
        return;
    if (sink_->error() != QAudio::NoError && sink_->error() != QAudio::UnderrunError) {
        Halt(QStringLiteral("la sortie audio a cessé de jouer"));
        return;
    }
    if (state_ == State::Playing) {
        const uint64_t generation = generation_;
        // Reads come after what the server plays: a read only when little is left ahead of it.
        while (!inRead_ && open_ && !readDone_ && written_ + pending_.size() - PlayedBytes() < kReadAhead) {
            if (MayRead && !MayRead()) {
                Halt(QStringLiteral("un rippage lit le disque"));
                return;
            }
            QByteArray chunk(chunkBytes_, Qt::Uninitialized);
            int32_t result = CDRIP_ERROR;
            int32_t bytes = 0;
            abort_ = 0;
            inRead_ = true;
            reader_->Run([&] {
                result = source_->ReadChunk(reinterpret_cast<uint8_t *>(chunk.data()), bytes, &abort_);
            });
            inRead_ = false;
            // Stopped, or played again, while the chunk was read.
            if (generation != generation_)
                return;
            ++chunksRead_;
            if (result == CDRIP_ERROR) {
                Halt(QStringLiteral("erreur de lecture de la piste %1").arg(tracks_[reading_].Number));
                return;
            }
            if ((result == CDRIP_OK || result == CDRIP_JITTER_ERROR) && bytes > 0)
                pending_.append(chunk.constData(), bytes);
            if (result == CDRIP_RIPPING_DONE) {
                readDone_ = true;
                // On to the next track, as a CD player goes.
                if (reading_ + 1 < tracks_.size()) {
                    QString error;
                    const size_t next = reading_ + 1;
                    if (!OpenTrack(next, error)) {
                        Halt(error);
                        return;
                    }
                    starts_.push_back({written_ + pending_.size(), next});
                } else {
                    CloseLibrary();
                }
            }
        }
        if (!pending_.isEmpty() && output_) {
            const qint64 free = std::min<qint64>(sink_->bytesFree(), pending_.size()) & ~qint64{3};
            if (free > 0) {
                const qint64 taken = output_->write(pending_.constData(), free);
                if (taken > 0) {
                    pending_.remove(0, taken);
                    written_ += taken;
                }
            }
        }
        // Everything read has been heard.
        if (!open_ && pending_.isEmpty() && PlayedBytes() >= written_) {
            Halt({});
            return;
        }
    }
    while (starts_.size() > 1 && starts_[1].Byte <= PlayedBytes())
        starts_.pop_front();
    if (OnChanged)
        OnChanged({});
}

qint64 DiscPlayer::PlayedBytes() const
{
    if (!sink_)
        return 0;
    return std::min<qint64>(sink_->processedUSecs() * kBytesPerSecond / 1000000, written_);
}

void DiscPlayer::Pause()
{
    if (state_ != State::Playing)
        return;
    state_ = State::Paused;
    sink_->suspend();
    if (OnChanged)
        OnChanged({});
}

void DiscPlayer::Resume()
{
    if (state_ != State::Paused)
        return;
    state_ = State::Playing;
    sink_->resume();
    Pump();
}

void DiscPlayer::Stop()
{
    Halt({});
}

void DiscPlayer::Halt(const QString &Problem)
{
    const bool wasPlaying = state_ != State::Stopped;
    ++generation_;
    state_ = State::Stopped;
    pump_.stop();
    // A chunk in flight stops at the next sector.
    __atomic_store_n(&abort_, 1, __ATOMIC_RELAXED);
    CloseLibrary();
    source_->Attach(nullptr);
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
    output_ = nullptr;
    pending_.clear();
    starts_.clear();
    written_ = 0;
    if ((wasPlaying || !Problem.isEmpty()) && OnChanged)
        OnChanged(Problem);
}

bool DiscPlayer::Next()
{
    if (state_ == State::Stopped)
        return false;
    const size_t heard = starts_.empty() ? 0 : starts_.front().Index;
    if (heard + 1 >= tracks_.size())
        return false;
    const std::vector<Track> tracks = tracks_;
    QString error;
    if (!Play(tracks, heard + 1, error)) {
        Halt(error);
        return false;
    }
    return true;
}

int DiscPlayer::CurrentTrack() const
{
    if (state_ == State::Stopped || starts_.empty())
        return 0;
    return tracks_[starts_.front().Index].Number;
}

qint64 DiscPlayer::PositionMs() const
{
    if (state_ == State::Stopped || starts_.empty())
        return 0;
    return std::max<qint64>(PlayedBytes() - starts_.front().Byte, 0) * 1000 / kBytesPerSecond;
}

qint64 DiscPlayer::LengthMs() const
{
    if (state_ == State::Stopped || starts_.empty())
        return 0;
    const Track &track = tracks_[starts_.front().Index];
    return qint64{std::max(track.Last - track.First + 1, 0)} * 1000 / 75;
}
