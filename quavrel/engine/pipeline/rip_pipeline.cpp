#include "quavrel/engine/pipeline/rip_pipeline.h"

#include "platform/cdrip/cdrip_types.h"
#include "quavrel/engine/pipeline/pcm_spool.h"
#include "quavrel/engine/pipeline/reader_thread.h"
#include "quavrel/engine/pipeline/staged_file.h"
#include "quavrel/engine/pipeline/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

// What an encoder takes from its spool at a time: small enough for a cancel to be seen at once.
constexpr size_t kEncodeBlock = 256 * 1024;
// What a secure read passes from its raw spool to the track's at a time, one task each.
constexpr size_t kReleaseBlock = 1024 * 1024;

bool OnApplicationThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// How long the reader thread waited for the drive: the time gone by, less what it spent computing
// (paranoia's own work is no drive's time, and weighs much more in a slow build).
class WaitClock {
  public:
    WaitClock() : wall_(std::chrono::steady_clock::now()), cpu_(ThreadCpu()) {}
    double Seconds() const
    {
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
        return std::max(0.0, wall - (ThreadCpu() - cpu_));
    }

  private:
    static double ThreadCpu()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }

    std::chrono::steady_clock::time_point wall_;
    double cpu_;
};

// Takes Agreed's sectors out of Lost: they were read again until reads agreed.
void ForgetLost(std::vector<LostRun> &Lost, const LostRun &Agreed)
{
    std::vector<LostRun> kept;
    for (const LostRun &run : Lost) {
        if (run.Last < Agreed.First || run.First > Agreed.Last) {
            kept.push_back(run);
            continue;
        }
        if (run.First < Agreed.First)
            kept.push_back({run.First, Agreed.First - 1, run.C2});
        if (run.Last > Agreed.Last)
            kept.push_back({Agreed.Last + 1, run.Last, run.C2});
    }
    Lost = std::move(kept);
}

} // namespace

struct RipPipeline::Track {
    int32_t first = 0;
    int32_t last = 0;
    std::shared_ptr<AudioSink> sink;
    QString finalPath;
    QString jitterExtension;
    RipCallbacks callbacks;
    OffsetWindow window;
    StagedFile staged;
    PcmSpool spool;

    // Secure mode: the reads so far, the copy read's audio until it is agreed, the chunks read
    // again. The disc's bounds say where to read to evict the cache.
    enum class Pass { Burst, Test, Copy };
    SecureReading secure;
    ReadOffset bounds;
    Pass pass = Pass::Burst;
    SecureTrack check;
    PcmSpool raw;
    // The copy read through the read offset once more, for the caller to prove it.
    OffsetWindow proof;
    int64_t proofAt = 0;
    // The chunks still to agree, read one after the other in rounds, and the rounds done.
    std::vector<size_t> pending;
    size_t at = 0;
    int rounds = 0;

    // Written by the reader before read is set, then only read.
    RipReport report;
    bool readFailed = false;
    bool mediumGone = false;
    std::map<int32_t, int32_t> damagedRuns;
    QString spoolError;
    std::atomic<int32_t> readPercent{0};
    std::atomic<bool> read{false};

    // Written by the encoder before encoded is set.
    QString encodeError;
    std::atomic<bool> encodeFailed{false};
    std::atomic<bool> encoded{false};

    // The range's audio, shifted by the read offset, to the checksums and the spool.
    bool Deliver(const uint8_t *Pcm, size_t Bytes)
    {
        // 16-bit little-endian samples; frames are whole in every piece the window gives.
        for (size_t i = 0; i + 1 < Bytes; i += 2) {
            const auto sample = static_cast<int16_t>(Pcm[i] | Pcm[i + 1] << 8);
            report.PeakSample = std::max(report.PeakSample, std::abs(int32_t{sample}));
        }
        if (callbacks.Pcm)
            callbacks.Pcm(Pcm, Bytes);
        return spool.Append(Pcm, Bytes, spoolError);
    }
};

int RipReport::Quality(int32_t Sectors) const
{
    if (SectorsRead <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(100, int64_t{200} * Sectors / SectorsRead));
}

int32_t RipReport::LostSectors(bool C2) const
{
    int32_t count = 0;
    for (const LostRun &run : Lost)
        count += run.C2 == C2 ? run.Last - run.First + 1 : 0;
    return count;
}

QString DamagedPath(const QString &FinalPath)
{
    const QFileInfo info(FinalPath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const QString mark = QStringLiteral(" (endommagé)");
    QString base = dot > 0 ? name.left(dot) : name;
    // The name stays within the 255 bytes a file name may have: the title gives way, whole characters.
    const qsizetype room = 255 - (mark + extension).toUtf8().size();
    while (base.toUtf8().size() > room)
        base.chop(base.size() > 1 && base.at(base.size() - 1).isLowSurrogate() ? 2 : 1);
    return FinalPath.left(FinalPath.size() - name.size()) + base + mark + extension;
}

QString ReplaceExtension(const QString &Path, const QString &Extension)
{
    const QFileInfo info(Path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString folder = Path.left(Path.size() - name.size());
    return folder + base + Extension;
}

RipPipeline::RipPipeline(RipSource &Source, int Workers)
    : source_(Source), encoders_(std::make_unique<WorkerPool>(Workers)),
      reader_(std::make_unique<ReaderThread>())
{
    source_.Attach(reader_.get());
}

RipPipeline::~RipPipeline()
{
    Cancel();
    // The reader ends the track it reads and drops the rest (its tasks use reader_ until then),
    // then the encoders theirs: none of them is kept.
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !reading_; });
    }
    reader_.reset();
    encoders_.reset();
    source_.Attach(nullptr);
}

void RipPipeline::Cancel()
{
    cancel_ = true;
    __atomic_store_n(&abort_, 1, __ATOMIC_RELAXED);
    std::lock_guard lock(mutex_);
    for (const auto &[ticket, track] : tracks_)
        track->spool.Abandon();
}

void RipPipeline::WakeCaller()
{
    {
        std::lock_guard lock(mutex_);
    }
    changed_.notify_all();
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] {}, Qt::QueuedConnection);
}

RipPipeline::Ticket RipPipeline::Queue(int32_t FirstSector, int32_t LastSector,
                                       std::shared_ptr<AudioSink> Sink, const QString &FinalPath,
                                       const RipCallbacks &Callbacks, const QString &JitterExtension)
{
    auto track = std::make_shared<Track>();
    track->first = FirstSector;
    track->last = LastSector;
    track->sink = std::move(Sink);
    track->finalPath = FinalPath;
    track->jitterExtension = JitterExtension;
    track->callbacks = Callbacks;
    // Chunks are compared sector by sector: only the drive's own audio format is read securely.
    if (source_.Channels() == 2 && source_.Rate() == 44100)
        track->secure = secure_;
    track->bounds = offset_;
    RipReport &report = track->report;
    report.Secure = track->secure.On();
    QString reason;
    if (!track->window.Plan(FirstSector, LastSector, offset_)) {
        report.Error.Kind = RipErrorKind::OffsetOutsideDisc;
        report.Error.Sector = offset_.Samples;
    } else if (track->staged.Open(FinalPath, report.Error)) {
        const QString folder = QFileInfo(track->staged.Path()).absolutePath();
        if (!track->spool.Open(folder, reason) || (report.Secure && !track->raw.Open(folder, reason)))
            report.Error = FileError(FinalPath, reason);
    }
    std::lock_guard lock(mutex_);
    const Ticket ticket = next_++;
    tracks_[ticket] = track;
    if (report.Error.Any() || cancel_) {
        track->readFailed = report.Error.Any();
        track->read = true;
        track->encoded = true;
        return ticket;
    }
    toRead_.push_back(track);
    encoders_->Post([this, track] { Encode(track); });
    if (!reading_) {
        reading_ = true;
        reader_->Post([this] { ReadNext(); });
    }
    return ticket;
}

void RipPipeline::ReadNext()
{
    std::shared_ptr<Track> track;
    {
        std::lock_guard lock(mutex_);
        if (toRead_.empty()) {
            reading_ = false;
            changed_.notify_all();
            return;
        }
        track = toRead_.front();
        toRead_.pop_front();
    }
    if (cancel_) {
        EndRead(track, false);
        return;
    }
    Track *raw = track.get();
    if (raw->secure.On() && raw->secure.EvictSectors > 0) {
        // Once per rip: what is stored of the drive, else what it shows now.
        if (!driveCache_)
            driveCache_ = raw->secure.Cache == DriveCache::Unknown ? MeasureCache(*raw) : raw->secure.Cache;
        raw->secure.Cache = *driveCache_;
    }
    if (!OpenRange(track))
        return;
    if (raw->secure.On()) {
        raw->pass = Track::Pass::Copy;
    } else if (!raw->window.Start(
                   [raw](const uint8_t *pcm, size_t bytes) { return raw->Deliver(pcm, bytes); })) {
        raw->report.Error = FileError(raw->finalPath, raw->spoolError);
        raw->readFailed = true;
        EndRead(track, true);
        return;
    }
    // Chunk by chunk, each its own task: the library's other calls (CallRipLibrary) come in between.
    reader_->Post([this, track] { ReadChunk(track); });
}

void RipPipeline::ReadChunk(const std::shared_ptr<Track> &Item)
{
    if (cancel_ || Item->encodeFailed) {
        EndRead(Item, true);
        return;
    }
    Track *raw = Item.get();
    const OffsetWindow::Emit deliver = [raw](const uint8_t *pcm, size_t bytes) {
        return raw->Deliver(pcm, bytes);
    };
    int32_t bytes = 0;
    const int32_t result = source_.ReadChunk(buffer_.data(), bytes, &abort_);
    const bool data = (result == CDRIP_OK || result == CDRIP_JITTER_ERROR) && bytes > 0;
    const auto size = static_cast<size_t>(bytes);
    bool written = true;
    switch (raw->pass) {
    case Track::Pass::Burst:
        if (data)
            written = raw->window.Chunk(buffer_.data(), size, deliver);
        else if (result == CDRIP_RIPPING_DONE)
            written = raw->window.Finish(deliver);
        break;
    case Track::Pass::Test:
        if (data)
            raw->check.NoteTest(buffer_.data(), size);
        break;
    case Track::Pass::Copy:
        if (data) {
            raw->check.NoteCopy(buffer_.data(), size);
            written = raw->raw.Append(buffer_.data(), size, raw->spoolError);
        }
        break;
    }
    RipReport &report = raw->report;
    // The test read's damage is the copy read's to tell.
    if (result == CDRIP_JITTER_ERROR && raw->pass != Track::Pass::Test) {
        int32_t jitterFirst = 0;
        int32_t jitterLast = 0;
        source_.LastJitterError(jitterFirst, jitterLast);
        report.JitterList.append(QStringLiteral("%1 %2").arg(jitterFirst).arg(jitterLast));
        // A run that spans chunks is reported with each of them: counted once, at its longest.
        raw->damagedRuns[jitterFirst] = std::max(raw->damagedRuns[jitterFirst], jitterLast);
    }
    const int32_t percent = result == CDRIP_RIPPING_DONE ? 100 : source_.PercentCompleted();
    // Secure mode: the copy read is the first 40 %, the test read the next, what follows the rest.
    raw->readPercent = raw->pass == Track::Pass::Copy   ? percent * 2 / 5
                       : raw->pass == Track::Pass::Test ? 40 + percent * 2 / 5
                                                        : percent;
    if (cancel_) {
        EndRead(Item, true);
    } else if (!written) {
        report.Error = FileError(raw->finalPath, raw->spoolError);
        raw->readFailed = true;
        EndRead(Item, true);
    } else if (result == CDRIP_ERROR) {
        report.Error.Kind = RipErrorKind::Unreadable;
        report.Error.Sector =
            raw->first + static_cast<int32_t>(int64_t{raw->last - raw->first + 1} * percent / 100);
        raw->readFailed = true;
        EndRead(Item, true);
    } else if (result == CDRIP_RIPPING_DONE && raw->pass == Track::Pass::Test) {
        EndTestRead(Item);
    } else if (result == CDRIP_RIPPING_DONE && raw->pass == Track::Pass::Copy) {
        EndCopyRead(Item);
    } else if (result == CDRIP_RIPPING_DONE) {
        raw->spool.End();
        EndRead(Item, true);
    } else {
        reader_->Post([this, Item] { ReadChunk(Item); });
    }
}

bool RipPipeline::OpenRange(const std::shared_ptr<Track> &Item)
{
    int32_t chunkBytes = 0;
    if (source_.Open(Item->window.ReadFirst(), Item->window.ReadLast(), chunkBytes) != CDRIP_OK) {
        Item->report.Error.Kind = RipErrorKind::DriveRefused;
        Item->report.Error.Sector = Item->window.ReadFirst();
        Item->report.Error.LastSector = Item->window.ReadLast();
        Item->readFailed = true;
        EndRead(Item, false);
        return false;
    }
    buffer_.resize(static_cast<size_t>(std::max(chunkBytes, 1)));
    return true;
}

bool RipPipeline::ReadRange(int32_t First, int32_t Last, std::vector<uint8_t> *Data)
{
    int32_t chunkBytes = 0;
    if (source_.Open(First, Last, chunkBytes) != CDRIP_OK)
        return false;
    std::vector<uint8_t> piece(static_cast<size_t>(std::max(chunkBytes, 1)));
    for (;;) {
        int32_t bytes = 0;
        const int32_t result = source_.ReadChunk(piece.data(), bytes, &abort_);
        if ((result != CDRIP_OK && result != CDRIP_JITTER_ERROR) || bytes <= 0 || cancel_)
            break;
        if (Data)
            Data->insert(Data->end(), piece.begin(), piece.begin() + bytes);
    }
    // A library that cannot tell leaves the comparison alone to judge.
    std::vector<TCdRipDamageRun> runs;
    const bool clean = !source_.Damage(runs) || std::all_of(runs.begin(), runs.end(), [](const auto &run) {
        return run.Kind == CDRIP_SECTOR_REPAIRED;
    });
    source_.Close();
    return clean;
}

void RipPipeline::NoteFlagged(Track &Item)
{
    std::vector<TCdRipDamageRun> runs;
    if (!source_.Damage(runs))
        return;
    // Sectors the drive never gave were retried by the library already; C2 errors say a read
    // came out wrong, and another may not.
    for (const TCdRipDamageRun &run : runs)
        if (run.Kind == CDRIP_SECTOR_C2)
            Item.check.NoteFlagged(run.FirstSector - Item.window.ReadFirst(),
                                   std::max(run.LastSector, run.FirstSector) - Item.window.ReadFirst());
}

void RipPipeline::EndCopyRead(const std::shared_ptr<Track> &Item)
{
    NoteFlagged(*Item);
    CloseRange(*Item);
    Item->raw.End();
    if (Item->callbacks.CopyProven && Item->report.Lost.empty() &&
        Item->proof.Plan(Item->first, Item->last, Item->bounds))
        reader_->Post([this, Item] { Prove(Item); });
    else
        StartTest(Item);
}

void RipPipeline::Prove(const std::shared_ptr<Track> &Item)
{
    Track &track = *Item;
    if (cancel_ || track.encodeFailed) {
        EndRead(Item, false);
        return;
    }
    const OffsetWindow::Emit toProof = [&track](const uint8_t *pcm, size_t bytes) {
        track.callbacks.CopyPcm(pcm, bytes);
        return true;
    };
    if (track.proofAt == 0)
        track.proof.Start(toProof);
    buffer_.resize(kReleaseBlock);
    const int64_t got = track.raw.ReadAt(track.proofAt, buffer_.data(), buffer_.size());
    if (got > 0) {
        track.proofAt += got;
        track.proof.Chunk(buffer_.data(), static_cast<size_t>(got), toProof);
        reader_->Post([this, Item] { Prove(Item); });
        return;
    }
    if (got == 0)
        track.proof.Finish(toProof);
    // Audio proven elsewhere needs no test read; else (or when the spool could not be read back)
    // the test read tells.
    if (got == 0 && track.callbacks.CopyProven()) {
        track.report.TestSkipped = true;
        reader_->Post([this, Item] { Release(Item); });
    } else {
        StartTest(Item);
    }
}

void RipPipeline::StartTest(const std::shared_ptr<Track> &Item)
{
    // Reading a range longer than the cache pushed its first sectors out before the test read
    // comes back to them: only a shorter one can still be served from it.
    if (Item->window.ReadLast() - Item->window.ReadFirst() + 1 < Item->secure.EvictSectors) {
        Evict(*Item);
        Refresh(*Item, Item->window.ReadFirst(), Item->window.ReadLast());
    }
    if (cancel_) {
        EndRead(Item, false);
        return;
    }
    if (!OpenRange(Item))
        return;
    Item->pass = Track::Pass::Test;
    reader_->Post([this, Item] { ReadChunk(Item); });
}

void RipPipeline::EndTestRead(const std::shared_ptr<Track> &Item)
{
    NoteFlagged(*Item);
    source_.Close();
    for (size_t i = 0; i < Item->check.Rereads().size(); ++i)
        Item->pending.push_back(i);
    if (Item->pending.empty())
        reader_->Post([this, Item] { Release(Item); });
    else
        reader_->Post([this, Item] { Reread(Item); });
}

void RipPipeline::Reread(const std::shared_ptr<Track> &Item)
{
    Track &track = *Item;
    if (cancel_ || track.encodeFailed) {
        EndRead(Item, false);
        return;
    }
    // One eviction a round: the chunks of a round are apart, so none of them is in the cache
    // before its read but what the drive read ahead from the disc on this round.
    if (track.at == 0)
        Evict(track);
    const size_t index = track.pending[track.at];
    const SecureTrack::Chunk chunk = track.check.Rereads()[index];
    const auto [first, last] = SectorsOf(track, chunk);
    Refresh(track, first, last);
    std::vector<uint8_t> data;
    const bool clean = !cancel_ && ReadRange(first, last, &data);
    if (cancel_) {
        EndRead(Item, false);
        return;
    }
    const LostRun run{std::clamp(first, track.first, track.last), std::clamp(last, track.first, track.last)};
    if (track.check.NoteReread(index, data.data(), data.size(), clean, track.secure.Matches)) {
        if (!track.raw.Patch(chunk.Offset, data.data(), data.size(), track.spoolError)) {
            track.report.Error = FileError(track.finalPath, track.spoolError);
            track.readFailed = true;
            EndRead(Item, false);
            return;
        }
        track.report.Reread.push_back(run);
        ForgetLost(track.report.Lost, run);
        track.pending.erase(track.pending.begin() + static_cast<std::ptrdiff_t>(track.at));
    } else {
        ++track.at;
    }
    if (track.at >= track.pending.size()) {
        track.at = 0;
        if (++track.rounds >= track.secure.Tries) {
            for (const size_t unsettled : track.pending)
                AddSuspicious(track, unsettled);
            track.pending.clear();
        }
    }
    if (track.pending.empty())
        reader_->Post([this, Item] { Release(Item); });
    else
        reader_->Post([this, Item] { Reread(Item); });
}

void RipPipeline::AddSuspicious(Track &Item, size_t Reread)
{
    const auto [chunkFirst, chunkLast] = SectorsOf(Item, Item.check.Rereads()[Reread]);
    // The sectors the re-reads gave differently, where they tell; else the whole chunk. Sectors
    // already lost (the drive flagged every read of them) are told as such.
    const auto lost = [&Item](int32_t sector) {
        return std::any_of(Item.report.Lost.begin(), Item.report.Lost.end(), [sector](const LostRun &run) {
            return sector >= run.First && sector <= run.Last;
        });
    };
    std::vector<int32_t> sectors;
    for (const int32_t offset : Item.check.Unstable(Reread))
        sectors.push_back(chunkFirst + offset);
    if (sectors.empty())
        for (int32_t sector = chunkFirst; sector <= chunkLast; ++sector)
            sectors.push_back(sector);
    std::vector<LostRun> runs;
    for (int32_t sector : sectors) {
        sector = std::clamp(sector, Item.first, Item.last);
        if (lost(sector))
            continue;
        if (!runs.empty() && runs.back().Last + 1 >= sector)
            runs.back().Last = sector;
        else
            runs.push_back({sector, sector});
    }
    Item.report.Suspicious.insert(Item.report.Suspicious.end(), runs.begin(), runs.end());
}

void RipPipeline::Release(const std::shared_ptr<Track> &Item)
{
    Track *raw = Item.get();
    if (cancel_ || raw->encodeFailed) {
        EndRead(Item, false);
        return;
    }
    const OffsetWindow::Emit deliver = [raw](const uint8_t *pcm, size_t bytes) {
        return raw->Deliver(pcm, bytes);
    };
    // The first block comes after the silence the read offset puts before the disc.
    bool written = raw->raw.Taken() > 0 || raw->window.Start(deliver);
    buffer_.resize(kReleaseBlock);
    const int64_t got = written ? raw->raw.Read(buffer_.data(), buffer_.size()) : 0;
    if (written && got > 0)
        written = raw->window.Chunk(buffer_.data(), static_cast<size_t>(got), deliver);
    else if (written && got == 0)
        written = raw->window.Finish(deliver);
    if (!written || got < 0) {
        raw->report.Error =
            FileError(raw->finalPath, got < 0 ? QStringLiteral("lecture impossible") : raw->spoolError);
        raw->readFailed = true;
        EndRead(Item, false);
        return;
    }
    const int64_t appended = raw->raw.Appended();
    raw->readPercent = 80 + static_cast<int32_t>(appended > 0 ? 20 * raw->raw.Taken() / appended : 20);
    if (got > 0) {
        reader_->Post([this, Item] { Release(Item); });
        return;
    }
    // Chunks agree in any order, and the unsettled are told last: in the disc's order for the log.
    const auto byFirst = [](const LostRun &a, const LostRun &b) { return a.First < b.First; };
    std::sort(raw->report.Reread.begin(), raw->report.Reread.end(), byFirst);
    std::sort(raw->report.Suspicious.begin(), raw->report.Suspicious.end(), byFirst);
    raw->report.TestCrc = raw->check.TestCrc();
    raw->report.CopyCrc = raw->check.CopyCrc();
    raw->report.SectorsRead = raw->check.SectorsRead();
    raw->report.C2Sectors = raw->check.C2Sectors();
    raw->spool.End();
    EndRead(Item, false);
}

RipPipeline::Span RipPipeline::SectorsOf(const Track &Item, const SecureTrack::Chunk &Chunk)
{
    const int32_t first = Item.window.ReadFirst() + static_cast<int32_t>(Chunk.Offset / kSectorBytes);
    return {first, first + static_cast<int32_t>((Chunk.Bytes + kSectorBytes - 1) / kSectorBytes) - 1};
}

RipPipeline::Span RipPipeline::FarFrom(const Track &Item, int32_t Sectors)
{
    const ReadOffset &disc = Item.bounds;
    // From the end of the disc farther from the track.
    const bool atEnd = Item.first - disc.DiscFirst < disc.DiscEnd - 1 - Item.last;
    const int32_t first = std::max(atEnd ? disc.DiscEnd - Sectors : disc.DiscFirst, disc.DiscFirst);
    return {first, std::min(first + Sectors, disc.DiscEnd) - 1};
}

void RipPipeline::Evict(const Track &Item)
{
    const int32_t sectors = Item.secure.EvictSectors;
    if (sectors <= 0 || Item.secure.Cache == DriveCache::None ||
        Item.secure.Cache == DriveCache::Refreshable || Item.bounds.DiscEnd <= Item.bounds.DiscFirst)
        return;
    const Span far = FarFrom(Item, sectors);
    ReadRange(far.First, far.Last, nullptr);
}

DriveCache RipPipeline::MeasureCache(const Track &Item)
{
    // Both ranges far from the track, so that its sectors are first read by its own reads; and
    // apart, so that nothing read for the one reaches the other: neither the drive's read-ahead
    // nor paranoia's, which reads up to 1200 sectors past a range to keep its re-reads off a cache.
    constexpr int32_t kApart = 3000;
    const Span probe = FarFrom(Item, kCacheProbeSectors);
    const bool afterTrack = probe.First > Item.last;
    const int32_t otherFirst =
        afterTrack ? probe.First - kApart - kCacheProbeSectors : probe.Last + 1 + kApart;
    const Span elsewhere{otherFirst, otherFirst + kCacheProbeSectors - 1};
    if (probe.Count() < kCacheProbeSectors || elsewhere.First < Item.bounds.DiscFirst ||
        elsewhere.Last >= Item.bounds.DiscEnd ||
        (afterTrack ? elsewhere.First <= Item.last : elsewhere.Last >= Item.first))
        return DriveCache::Unknown;
    const auto timed = [this](const Span &range) {
        const WaitClock clock;
        ReadRange(range.First, range.Last, nullptr);
        return clock.Seconds();
    };
    // Reading elsewhere first spins the drive up; the probe's first read is then the disc's time,
    // the same read again the cache's, if it has one.
    timed(elsewhere);
    const double fresh = timed(probe);
    const double again = timed(probe);
    const DriveCache cache = JudgeCache(again, fresh);
    if (cancel_ || cache != DriveCache::Holds)
        return cancel_ ? DriveCache::Unknown : cache;
    // A drive that honours the force-unit-access bit reads the disc for it, cached or not: the
    // probe, still cached, takes as long as sectors read for the first time (between the two
    // ranges, apart from both). Both are the drive's own reads, timed alike.
    bool refused = false;
    const auto refreshed = [this, &refused](const Span &range) {
        const WaitClock clock;
        refused = !source_.RefreshCache(range.First, range.Last) || refused;
        return clock.Seconds();
    };
    const double cached = refreshed(probe);
    const int32_t middle = (elsewhere.Last + probe.First) / 2 - kCacheProbeSectors / 2;
    const double uncached = refreshed({middle, middle + kCacheProbeSectors - 1});
    return !refused && JudgeCache(cached, uncached) == DriveCache::None ? DriveCache::Refreshable
                                                                        : DriveCache::Holds;
}

void RipPipeline::Refresh(Track &Item, int32_t First, int32_t Last)
{
    if (Item.secure.Cache != DriveCache::Refreshable)
        return;
    if (source_.RefreshCache(First, Last))
        return;
    // Refused after all: the rest of the rip reads elsewhere instead.
    Item.secure.Cache = *driveCache_ = DriveCache::Holds;
    Evict(Item);
}

void RipPipeline::CloseRange(Track &Item)
{
    RipReport &report = Item.report;
    std::vector<TCdRipDamageRun> runs;
    report.JitterErrors = source_.JitterErrors();
    const bool detailed = source_.Damage(runs);
    source_.Close();
    // A library that cannot tell a repair from a loss: every damaged run may be lost audio.
    if (!detailed)
        for (const auto &[runFirst, runLast] : Item.damagedRuns)
            runs.push_back({runFirst, runLast, CDRIP_SECTOR_UNREADABLE});
    // Sectors read beyond the range for the read offset reach the file at its ends.
    const auto inRange = [&](int32_t sector) { return std::clamp(sector, Item.first, Item.last); };
    for (const TCdRipDamageRun &run : runs) {
        const int32_t first = inRange(run.FirstSector);
        const int32_t last = inRange(std::max(run.LastSector, run.FirstSector));
        if (run.Kind == CDRIP_SECTOR_REPAIRED)
            report.RepairedSectors += last - first + 1;
        else if (!report.Lost.empty() && report.Lost.back().Last + 1 >= first &&
                 report.Lost.back().C2 == (run.Kind == CDRIP_SECTOR_C2))
            report.Lost.back().Last = std::max(report.Lost.back().Last, last);
        else
            report.Lost.push_back({first, last, run.Kind == CDRIP_SECTOR_C2});
    }
}

void RipPipeline::EndRead(const std::shared_ptr<Track> &Item, bool Opened)
{
    if (Opened)
        CloseRange(*Item);
    RipReport &report = Item->report;
    // A medium taken out fails the track with that reason, whatever stopped the read.
    if (Opened && (Item->readFailed || cancel_) && report.Error.Kind != RipErrorKind::FileWrite)
        Item->mediumGone = !source_.MediumPresent();
    if (Item->readFailed || cancel_)
        Item->spool.Abandon();
    if (Item->secure.On() && Item->secure.EvictSectors > 0)
        report.Cache = Item->secure.Cache;
    Item->read.store(true, std::memory_order_release);
    WakeCaller();
    ReadNext();
}

void RipPipeline::Encode(const std::shared_ptr<Track> &Item)
{
    // A track that will not be read whole (a cancel, a failed read) is no fault of the encoder.
    bool stopped = cancel_;
    bool complete = false;
    QString error;
    AudioSink &sink = *Item->sink;
    if (!stopped && sink.Begin(Item->staged.File(), error)) {
        std::vector<uint8_t> block(kEncodeBlock);
        for (;;) {
            const int64_t got = Item->spool.Read(block.data(), block.size());
            if (got < 0) {
                stopped = true;
                break;
            }
            if (got == 0) {
                complete = sink.Finish(Item->staged.File(), Item->staged.Path(), error);
                break;
            }
            if (!sink.Write(block.data(), static_cast<size_t>(got), error))
                break;
            WakeCaller();
        }
        if (!complete)
            sink.Abandon();
    }
    if (!complete && !stopped) {
        Item->encodeError = error;
        Item->encodeFailed = true;
    }
    Item->encoded.store(true, std::memory_order_release);
    WakeCaller();
}

RipReport RipPipeline::Take(Ticket Queued, const std::function<void(int32_t)> &Progress)
{
    std::shared_ptr<Track> track;
    {
        std::lock_guard lock(mutex_);
        const auto found = tracks_.find(Queued);
        if (found == tracks_.end())
            return {};
        track = found->second;
    }
    const auto finished = [&] {
        return track->read.load(std::memory_order_acquire) && track->encoded.load(std::memory_order_acquire);
    };
    int32_t shown = -1;
    while (!finished()) {
        // Nothing more to show once cancelled: the caller has its answer.
        if (Progress && !cancel_) {
            // The part read, of which the part already encoded.
            const int64_t appended = track->spool.Appended();
            // Before any audio is in the spool (a secure read's passes), the read alone.
            const int32_t percent =
                appended == 0
                    ? track->readPercent.load()
                    : static_cast<int32_t>(int64_t{track->readPercent} * track->spool.Taken() / appended);
            // An estimate (what is read, times the share of it encoded): it never goes back.
            if (percent > shown && percent < 100)
                Progress(shown = percent);
        }
        if (OnApplicationThread()) {
            // Every chunk read and every block encoded posts an empty call: this waits, never spins.
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(50), finished);
        }
    }
    {
        std::lock_guard lock(mutex_);
        tracks_.erase(Queued);
    }
    RipReport report = track->report;
    bool failed = track->readFailed;
    if (!failed && track->encodeFailed) {
        report.Error = FileError(track->finalPath, track->encodeError);
        failed = true;
    }
    // A read that failed because the medium left comes with the removal's notice: it is handled
    // first, so that the window knows of the removal before the track's outcome.
    if (failed && report.Error.Kind != RipErrorKind::FileWrite && OnApplicationThread())
        QCoreApplication::processEvents();
    if (track->mediumGone) {
        // A medium taken out fails the track with that reason, whatever stopped the read.
        report.Error = RipError{};
        report.Error.Kind = RipErrorKind::MediumRemoved;
        failed = true;
    } else if (cancel_) {
        failed = false;
    }
    if (cancel_ || failed) {
        track->staged.Discard();
        report.Outcome = failed ? RipOutcome::Failed : RipOutcome::Cancelled;
        return report;
    }
    // Lost or unproven audio never takes the final name: an older complete file there stays whole.
    const bool lost = !report.Lost.empty() || report.Unsafe();
    const QString target = lost ? DamagedPath(track->finalPath) : track->finalPath;
    if (!track->staged.CommitAs(target, report.Error))
        return report;
    report.File = target;
    if (Progress)
        Progress(100);
    if (!lost) {
        // The track is whole now: an earlier damaged copy of it has had its day.
        const QString damaged = DamagedPath(track->finalPath);
        QFile::remove(damaged);
        if (!track->jitterExtension.isEmpty())
            QFile::remove(ReplaceExtension(damaged, track->jitterExtension));
    }

    if (!track->jitterExtension.isEmpty()) {
        const QString jitterPath = ReplaceExtension(target, track->jitterExtension);
        if (report.JitterList.isEmpty()) {
            // A clean rip leaves no older list behind to contradict it.
            QFile::remove(jitterPath);
        } else {
            RipError listError;
            if (WriteFileAtomically(jitterPath, report.JitterList.join(u'\n').append(u'\n').toUtf8(),
                                    listError))
                report.JitterFile = jitterPath;
        }
    }
    report.Outcome = lost ? RipOutcome::Damaged : RipOutcome::Done;
    return report;
}

RipReport RipPipeline::Rip(int32_t FirstSector, int32_t LastSector, AudioSink &Sink, const QString &FinalPath,
                           const RipCallbacks &Callbacks, const QString &JitterExtension)
{
    // The caller keeps the sink.
    std::shared_ptr<AudioSink> borrowed(&Sink, [](AudioSink *) {});
    return Take(Queue(FirstSector, LastSector, borrowed, FinalPath, Callbacks, JitterExtension),
                Callbacks.Progress);
}
