#include "quavrel/engine/pipeline/rip_pipeline.h"

#include "platform/cdrip/cdrip_types.h"
#include "quavrel/engine/pipeline/reader_thread.h"
#include "quavrel/engine/pipeline/staged_file.h"

#include <algorithm>
#include <map>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

// Every way out of a rip once the source is open closes it, on the reader thread.
struct OpenSource {
    RipSource &source;
    ReaderThread &reader;
    bool open = false;
    ~OpenSource()
    {
        if (open)
            reader.Run([this] { source.Close(); });
    }
};

struct AttachedSource {
    RipSource &source;
    AttachedSource(RipSource &s, ReaderThread *reader) : source(s) { source.Attach(reader); }
    ~AttachedSource() { source.Attach(nullptr); }
};

} // namespace

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

RipPipeline::RipPipeline(RipSource &Source) : source_(Source) {}

RipPipeline::~RipPipeline() = default;

void RipPipeline::Cancel()
{
    cancel_ = true;
    __atomic_store_n(&abort_, 1, __ATOMIC_RELAXED);
}

RipReport RipPipeline::Rip(int32_t FirstSector, int32_t LastSector, AudioSink &Sink, const QString &FinalPath,
                           const RipCallbacks &Callbacks, const QString &JitterExtension)
{
    RipReport report;
    cancel_ = false;
    __atomic_store_n(&abort_, 0, __ATOMIC_RELAXED);
    running_ = true;
    struct Running {
        bool &flag;
        ~Running() { flag = false; }
    } runningScope{running_};

    ReaderThread reader;
    const AttachedSource attached(source_, &reader);
    OpenSource open{source_, reader};

    OffsetWindow window;
    if (!window.Plan(FirstSector, LastSector, offset_)) {
        report.Error.Kind = RipErrorKind::OffsetOutsideDisc;
        report.Error.Sector = offset_.Samples;
        return report;
    }
    int32_t chunkBytes = 0;
    int32_t opened = CDRIP_ERROR;
    reader.Run([&] { opened = source_.Open(window.ReadFirst(), window.ReadLast(), chunkBytes); });
    if (opened != CDRIP_OK) {
        report.Error.Kind = RipErrorKind::DriveRefused;
        report.Error.Sector = window.ReadFirst();
        report.Error.LastSector = window.ReadLast();
        return report;
    }
    open.open = true;

    StagedFile staged;
    if (!staged.Open(FinalPath, report.Error))
        return report;
    QString error;
    // The range's audio, shifted by the read offset, as the sink and the checksums get it.
    const OffsetWindow::Emit deliver = [&](const uint8_t *pcm, size_t bytes) {
        if (Callbacks.Pcm)
            Callbacks.Pcm(pcm, bytes);
        return Sink.Write(pcm, bytes, error);
    };
    bool begun = false;
    reader.Run([&] { begun = Sink.Begin(staged.File(), error) && window.Start(deliver); });
    if (!begun) {
        report.Error = FileError(FinalPath, error);
        return report;
    }
    if (Callbacks.Started)
        Callbacks.Started();

    std::vector<uint8_t> buffer(static_cast<size_t>(std::max(chunkBytes, 1)));
    bool failed = false;
    // A run that spans chunks is reported with each of them: counted once, at its longest.
    std::map<int32_t, int32_t> damagedRuns;
    for (;;) {
        if (cancel_)
            break;
        int32_t result = CDRIP_ERROR;
        int32_t percent = 0;
        int32_t jitterFirst = 0;
        int32_t jitterLast = 0;
        bool written = true;
        reader.Run([&] {
            int32_t bytes = 0;
            result = source_.ReadChunk(buffer.data(), bytes, &abort_);
            if ((result == CDRIP_OK || result == CDRIP_JITTER_ERROR) && bytes > 0)
                written = window.Chunk(buffer.data(), static_cast<size_t>(bytes), deliver);
            else if (result == CDRIP_RIPPING_DONE)
                written = window.Finish(deliver);
            if (result == CDRIP_JITTER_ERROR)
                source_.LastJitterError(jitterFirst, jitterLast);
            percent = source_.PercentCompleted();
        });
        if (cancel_)
            break;
        if (!written) {
            report.Error = FileError(FinalPath, error);
            failed = true;
            break;
        }
        if (result == CDRIP_JITTER_ERROR) {
            ++report.DamagedChunks;
            report.JitterList.append(QStringLiteral("%1 %2").arg(jitterFirst).arg(jitterLast));
            damagedRuns[jitterFirst] = std::max(damagedRuns[jitterFirst], jitterLast);
        } else if (result == CDRIP_ERROR) {
            report.Error.Kind = RipErrorKind::Unreadable;
            report.Error.Sector =
                FirstSector + static_cast<int32_t>(int64_t{LastSector - FirstSector + 1} * percent / 100);
            failed = true;
            break;
        }
        if (Callbacks.Progress)
            Callbacks.Progress(result == CDRIP_RIPPING_DONE ? 100 : percent);
        if (result == CDRIP_RIPPING_DONE)
            break;
    }
    std::vector<TCdRipDamageRun> runs;
    bool detailed = false;
    reader.Run([&] {
        report.JitterErrors = source_.JitterErrors();
        detailed = source_.Damage(runs);
    });
    // A library that cannot tell a repair from a loss: every damaged run may be lost audio.
    if (!detailed)
        for (const auto &[runFirst, runLast] : damagedRuns)
            runs.push_back({runFirst, runLast, CDRIP_SECTOR_UNREADABLE});
    // Sectors read beyond the range for the read offset reach the file at its ends.
    const auto inRange = [&](int32_t sector) { return std::clamp(sector, FirstSector, LastSector); };
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

    // A read that failed because the medium left comes with the removal's notice: it is handled
    // first, so that the window knows of the removal before the track's outcome.
    if (failed && report.Error.Kind != RipErrorKind::FileWrite)
        QCoreApplication::processEvents();
    if (cancel_ || failed) {
        // A medium taken out fails the track with that reason, whatever stopped the read.
        bool present = true;
        if (report.Error.Kind != RipErrorKind::FileWrite)
            reader.Run([&] { present = source_.MediumPresent(); });
        if (!present) {
            report.Error = RipError{};
            report.Error.Kind = RipErrorKind::MediumRemoved;
            failed = true;
        } else if (cancel_) {
            failed = false;
        }
        reader.Run([&] { Sink.Abandon(); });
        staged.Discard();
        report.Outcome = failed ? RipOutcome::Failed : RipOutcome::Cancelled;
        return report;
    }
    bool finished = false;
    reader.Run([&] { finished = Sink.Finish(staged.File(), staged.Path(), error); });
    if (!finished) {
        reader.Run([&] { Sink.Abandon(); });
        report.Error = FileError(FinalPath, error);
        return report;
    }
    // Lost audio never takes the final name: an older complete file there stays whole.
    const bool lost = !report.Lost.empty();
    const QString target = lost ? DamagedPath(FinalPath) : FinalPath;
    if (!staged.CommitAs(target, report.Error))
        return report;
    report.File = target;
    if (!lost) {
        // The track is whole now: an earlier damaged copy of it has had its day.
        const QString damaged = DamagedPath(FinalPath);
        QFile::remove(damaged);
        if (!JitterExtension.isEmpty())
            QFile::remove(ReplaceExtension(damaged, JitterExtension));
    }

    if (!JitterExtension.isEmpty()) {
        const QString jitterPath = ReplaceExtension(target, JitterExtension);
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
