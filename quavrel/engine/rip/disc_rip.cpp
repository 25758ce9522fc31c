#include "quavrel/engine/rip/disc_rip.h"

#include "quavrel/engine/pipeline/reader_thread.h"
#include "quavrel/engine/pipeline/rip_source.h"
#include "quavrel/engine/pipeline/staged_file.h"
#include "quavrel/engine/pipeline/worker_pool.h"
#include "quavrel/engine/rip/rip_texts.h"
#include "quavrel/engine/verify/accuraterip_disc.h"
#include "quavrel/naming/output_names.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Rippers that must have given a track's checksum for a copy to stand without its test read.
constexpr int kProvingConfidence = 2;

constexpr int64_t kFramesPerSector = 588;

QString ReadSmallText(const QString &Path)
{
    QFile file(Path);
    // A log is a few kilobytes; anything much larger is not one of ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024)
        return {};
    return QString::fromUtf8(file.readAll());
}

bool Exists(const QString &Path)
{
    return QFileInfo(Path).exists() || QFileInfo(Path).isSymLink();
}

// The format's sink, and then what the finished file gets beside its names: the track's gain and
// the cover, written into the staged file before it is put in place. The loudness is measured here,
// on the encoder's thread, so that the reader only reads.
class ExtrasSink : public AudioSink {
  public:
    ExtrasSink(std::unique_ptr<AudioSink> Inner, TrackLoudness *Meter, std::function<FileExtras()> Extras)
        : inner_(std::move(Inner)), meter_(Meter), extras_(std::move(Extras))
    {
    }
    QString Extension() const override { return inner_->Extension(); }
    bool Begin(QFile &File, QString &Error) override { return inner_->Begin(File, Error); }
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override
    {
        if (meter_)
            meter_->Feed(Pcm, Bytes);
        return inner_->Write(Pcm, Bytes, Error);
    }
    bool Finish(QFile &File, const QString &Path, QString &Error) override
    {
        return inner_->Finish(File, Path, Error) &&
               AddFileExtras(Path, inner_->Extension(), extras_(), Error);
    }
    void Abandon() override { inner_->Abandon(); }

  private:
    std::unique_ptr<AudioSink> inner_;
    TrackLoudness *meter_;
    std::function<FileExtras()> extras_;
};

// The file at Path with Extras added, through a staged copy: tags only, the audio as it is.
bool RewriteWithExtras(const QString &Path, const QString &Extension, const FileExtras &Extras,
                       RipError &Error)
{
    QFile source(Path);
    if (!source.open(QIODevice::ReadOnly)) {
        Error = FileError(Path, source.errorString());
        return false;
    }
    StagedFile staged;
    if (!staged.Open(Path, Error))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = source.read(block.data(), block.size());
        if (read < 0) {
            Error = FileError(Path, source.errorString());
            return false;
        }
        if (read == 0)
            break;
        if (staged.File().write(block.constData(), read) != read) {
            Error = FileError(Path, WriteFailureReason(staged.File()));
            return false;
        }
    }
    if (!staged.File().flush()) {
        Error = FileError(Path, WriteFailureReason(staged.File()));
        return false;
    }
    QString reason;
    if (!AddFileExtras(staged.Path(), Extension, Extras, reason)) {
        Error = FileError(Path, reason);
        return false;
    }
    return staged.Commit(Error);
}

} // namespace

TrackTags TrackTagsOf(const Disc &Disc, const DiscMetadata &Metadata, int Number)
{
    TrackTags tags;
    tags.Artist = Metadata.Artist;
    tags.Album = Metadata.Album;
    tags.Title = Metadata.TitleOf(Number);
    tags.TrackNumber = Number;
    tags.TrackTotal = Disc.TrackCount();
    tags.Year = Metadata.Year;
    tags.Genre = Metadata.Genre;
    tags.DiscId = Disc.CddbIdText();
    tags.MusicBrainzAlbumId = Metadata.MusicBrainzReleaseId;
    tags.MusicBrainzTrackId = Metadata.RecordingIdOf(Number);
    tags.Isrc = Disc.HasTrack(Number) ? Disc.Track(Number).Isrc : QString();
    tags.Barcode = Disc.Catalog();
    return tags;
}

DiscRip::DiscRip(RipSource &Source, AccurateRipFetcher *Fetcher) : source_(Source), fetcher_(Fetcher) {}

DiscRip::~DiscRip()
{
    // The tracks still read or encoded use the sinks, meters and checksums below: stopped first.
    pipeline_.reset();
}

bool DiscRip::Begin(const RipRequest &Request, RipError &Error)
{
    request_ = Request;
    results_.clear();
    names_.clear();
    cancelled_ = false;
    lookedUp_ = false;
    lookup_ = {};
    reportBase_.clear();
    coverAsked_ = false;
    cover_ = {};
    coverNote_.clear();
    loudness_.clear();
    albumGain_.reset();
    albumPeak_ = 0;
    pipeline_.reset();
    queued_.clear();
    planned_ = request_.Tracks;
    if (!request_.Format) {
        Error.Kind = RipErrorKind::FormatUnavailable;
        return false;
    }
    folder_ = OutputDirectoryFor(request_.OutputRoot, request_.ByArtist, request_.Metadata.Artist,
                                 request_.Metadata.Album);
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder_).toStdString(), made);
    if (made || !QFileInfo(folder_).isDir()) {
        Error.Kind = RipErrorKind::Folder;
        Error.Path = folder_;
        Error.Reason = made ? SystemErrorText(made.value()) : SystemErrorText(ENOTDIR);
        return false;
    }
    for (const TrackFileName &name :
         DiscFileNames(request_.Disc, request_.Metadata, request_.Naming, request_.Format->Extension))
        names_[name.Track] = name;
    return true;
}

QString DiscRip::BaseNameOf(int Track) const
{
    const auto found = names_.find(Track);
    return found == names_.end() ? QString() : found->second.Base;
}

QString DiscRip::FileOf(int Track) const
{
    const QString base = BaseNameOf(Track);
    return base.isEmpty() ? QString() : folder_ + QDir::separator() + base + request_.Format->Extension;
}

TrackTags DiscRip::TagsOf(int Track) const
{
    return TrackTagsOf(request_.Disc, request_.Metadata, Track);
}

void DiscRip::Cancel()
{
    cancelled_ = true;
    if (pipeline_)
        pipeline_->Cancel();
    if (fetcher_)
        fetcher_->Abort();
    if (covers_)
        covers_->Abort();
}

void DiscRip::FetchCover()
{
    if (coverAsked_ || request_.Cover == CoverChoice::None)
        return;
    coverAsked_ = true;
    const QString release = request_.Metadata.MusicBrainzReleaseId.trimmed();
    QString problem;
    if (release.isEmpty())
        problem = QStringLiteral("les noms ne viennent pas d'une parution MusicBrainz");
    else if (request_.CoverArtServer.trimmed().isEmpty() || !covers_)
        problem = QStringLiteral("aucun serveur de pochettes");
    else {
        CoverArtResult fetched = covers_->Fetch(request_.CoverArtServer, release);
        cover_ = fetched.Image;
        problem = fetched.Problem;
    }
    if (cover_.Empty()) {
        coverNote_ = QStringLiteral("Pochette : aucune (%1)").arg(problem);
        return;
    }
    QStringList where;
    if (CoverEmbedded(request_.Cover))
        where << (CanEmbedCover(request_.Format->Extension)
                      ? QStringLiteral("intégrée aux fichiers")
                      : QStringLiteral("non intégrée (format sans image)"));
    if (CoverToFile(request_.Cover))
        where << QStringLiteral("fichier %1")
                     .arg(ImageMimeType(cover_.Data) == QLatin1String("image/png")
                              ? QStringLiteral("cover.png")
                              : QStringLiteral("cover.jpg"));
    coverNote_ = QStringLiteral("Pochette : %1 (%2 octets, %3)")
                     .arg(where.join(QStringLiteral(", ")))
                     .arg(cover_.Data.size())
                     .arg(cover_.MimeType);
}

RipError DiscRip::RefusalOf(int Track) const
{
    const Disc &disc = request_.Disc;
    // Track 0 is the hidden track, when the disc has one.
    const bool hidden = Track == 0 && disc.HasHiddenTrack();
    if (!disc.HasTrack(Track) && !hidden)
        return {RipErrorKind::NoSuchTrack, {}, Track, -1, {}};
    if (!hidden && !disc.IsAudio(Track))
        return {RipErrorKind::NotAudio, {}, Track, -1, {}};
    return {};
}

RipPipeline &DiscRip::Pipeline()
{
    if (!pipeline_) {
        const int workers = request_.Workers > 0 ? request_.Workers : WorkerPool::Cores();
        pipeline_ = std::make_unique<RipPipeline>(source_, workers);
        const Disc &disc = request_.Disc;
        // The audio the drive can give: from the first audio track (its hidden track's start) to
        // the end of the audio session.
        const std::vector<int> audio = disc.AudioTracks();
        pipeline_->SetSecure(request_.Secure);
        pipeline_->SetReadOffset({request_.ReadOffset,
                                  disc.HasHiddenTrack() ? 0 : disc.Track(audio.front()).Start,
                                  disc.AudioEnd()});
        workers_ = workers;
    }
    return *pipeline_;
}

void DiscRip::QueueTrack(int Track)
{
    Queued &queued = queued_[Track];
    const SectorRange range = request_.Disc.TrackRange(Track);
    std::unique_ptr<AudioSink> formatSink = request_.Format->MakeSink(
        request_.Encoder, TagsOf(Track), int64_t{range.Count()} * kFramesPerSector, queued.Error);
    if (!formatSink)
        return;
    queued.Sums = std::make_unique<TrackChecksums>(ChecksumsOfTrack(request_.Disc, Track));
    if (request_.ReplayGain)
        queued.Meter = std::make_unique<TrackLoudness>();
    TrackLoudness *loudness = queued.Meter.get();
    const bool embed = CoverEmbedded(request_.Cover) && CanEmbedCover(request_.Format->Extension);
    // Called on the encoder's thread once the whole track has flowed through the meter.
    queued.Sink = std::make_shared<ExtrasSink>(std::move(formatSink), loudness, [this, loudness, embed] {
        FileExtras extras;
        if (loudness && loudness->Gain()) {
            extras.TrackGain = loudness->Gain();
            extras.TrackPeak = loudness->Peak();
        }
        if (embed)
            extras.Cover = cover_;
        return extras;
    });
    // What a killed run left of this track is of no use to anyone.
    RemoveLeftovers(FileOf(Track), request_.Started);
    RipCallbacks callbacks;
    TrackChecksums *sums = queued.Sums.get();
    callbacks.Pcm = [sums](const uint8_t *pcm, size_t bytes) { sums->Feed(pcm, bytes); };
    // A copy the database knows with confidence (two rippers or more) is proven without a test
    // read; lookup_ is settled before the first track is queued.
    if (request_.Secure.On() && lookup_.Found() && Checksummable(Track)) {
        queued.Proof = std::make_unique<TrackChecksums>(ChecksumsOfTrack(request_.Disc, Track));
        TrackChecksums *proof = queued.Proof.get();
        const int index = request_.Disc.AudioIndexOf(Track);
        callbacks.CopyPcm = [proof](const uint8_t *pcm, size_t bytes) { proof->Feed(pcm, bytes); };
        callbacks.CopyProven = [this, proof, index] {
            const AccurateRipVerdict verdict = VerdictOf(lookup_, index, proof->V1(), proof->V2());
            return verdict.Result == AccurateRipResult::Exact && verdict.Confidence >= kProvingConfidence;
        };
    }
    queued.Ticket = Pipeline().Queue(range.First, range.Last, queued.Sink, FileOf(Track), callbacks,
                                     QStringLiteral(".jitt"));
}

void DiscRip::QueueFrom(int Track)
{
    const auto planned = std::find(planned_.begin(), planned_.end(), Track);
    if (planned != planned_.end())
        planned_.erase(planned);
    if (!queued_.count(Track))
        QueueTrack(Track);
    // Read ahead as far as keeps every encoder busy while the drive goes on: the spools of these
    // tracks are all that waits, so memory stays flat whatever the disc's length.
    while (!planned_.empty() && static_cast<int>(queued_.size()) < workers_ + 1) {
        const int next = planned_.front();
        planned_.erase(planned_.begin());
        if (!queued_.count(next) && !RefusalOf(next).Any())
            QueueTrack(next);
    }
}

TrackRip DiscRip::RipTrack(int Track, const std::function<void(int32_t)> &Progress)
{
    TrackRip rip;
    rip.Track = Track;
    const Disc &disc = request_.Disc;
    RipReport &report = rip.Report;
    if (cancelled_)
        report.Outcome = RipOutcome::Cancelled;
    else
        report.Error = RefusalOf(Track);
    if (cancelled_ || report.Error.Any()) {
        results_.push_back(rip);
        return rip;
    }
    rip.File = FileOf(Track);
    rip.Range = disc.TrackRange(Track);
    rip.NameShortened = names_[Track].Shortened;
    FetchCover();
    // A secure rip asks the database first: a copy it proves needs no test read.
    if (request_.Secure.On())
        LookUp();
    if (cancelled_) {
        report.Outcome = RipOutcome::Cancelled;
        results_.push_back(rip);
        return rip;
    }
    QueueFrom(Track);
    Queued queued = std::move(queued_[Track]);
    queued_.erase(Track);
    if (!queued.Sink) {
        report.Error = queued.Error;
        results_.push_back(rip);
        return rip;
    }
    report = pipeline_->Take(queued.Ticket, Progress);
    if (report.Outcome == RipOutcome::Cancelled)
        cancelled_ = true;
    // Nothing read ahead: the drive is free again until the next track is asked for.
    if (queued_.empty())
        pipeline_.reset();
    if (!report.File.isEmpty())
        rip.File = report.File;
    rip.Crc32 = queued.Sums->Crc32();
    rip.V1 = queued.Sums->V1();
    rip.V2 = queued.Sums->V2();
    // Lost audio is not the disc's.
    rip.Checksummed = Checksummable(Track) && !rip.Damaged();
    if (rip.Done()) {
        Verify(rip);
        if (queued.Meter) {
            rip.Gain = queued.Meter->Gain();
            rip.Peak = queued.Meter->Peak();
            loudness_[Track] = std::move(queued.Meter);
        }
    }
    results_.push_back(rip);
    return rip;
}

QStringList DiscRip::FinishExtras(QStringList &Errors)
{
    QStringList lines;
    // The last complete rip of each track.
    std::map<int, const TrackRip *> done;
    for (const TrackRip &rip : results_)
        if (rip.Done())
            done[rip.Track] = &rip;
    if (done.empty())
        return lines;
    if (CoverToFile(request_.Cover) && !cover_.Empty()) {
        const QString name = ImageMimeType(cover_.Data) == QLatin1String("image/png")
                                 ? QStringLiteral("cover.png")
                                 : QStringLiteral("cover.jpg");
        RipError error;
        if (!WriteFileAtomically(folder_ + QDir::separator() + name, cover_.Data, error))
            Errors << RipErrorText(error);
    }
    if (!coverNote_.isEmpty())
        lines << coverNote_;
    if (!request_.ReplayGain)
        return lines;
    lines << QStringLiteral("ReplayGain 2.0 : référence %1 LUFS").arg(kReplayGainReference, 0, 'f', 0);
    // The album's values only for the whole disc in this command: a part of it would give the
    // album another loudness than its own.
    std::vector<const TrackLoudness *> meters;
    bool whole = true;
    for (int track : request_.Disc.AudioTracks()) {
        const auto meter = loudness_.find(track);
        if (!done.count(track) || meter == loudness_.end()) {
            whole = false;
            break;
        }
        meters.push_back(meter->second.get());
    }
    const std::optional<double> album = whole ? TrackLoudness::AlbumLoudness(meters) : std::nullopt;
    if (!album) {
        lines << (whole
                      ? QStringLiteral("Gain d'album : aucun (disque silencieux)")
                      : QStringLiteral("Gain d'album : aucun, toutes les pistes audio n'ont pas été rippées "
                                       "par cette commande"));
        return lines;
    }
    FileExtras extras;
    extras.AlbumGain = kReplayGainReference - *album;
    extras.AlbumPeak = 0.0;
    for (const TrackLoudness *meter : meters)
        extras.AlbumPeak = std::max(*extras.AlbumPeak, meter->Peak());
    int written = 0;
    // A disc's files are copied once more: off the caller's thread, whose events go on meanwhile.
    ReaderThread worker;
    worker.Run([&] {
        for (const auto &[track, rip] : done) {
            RipError error;
            if (RewriteWithExtras(rip->File, request_.Format->Extension, extras, error))
                ++written;
            else
                Errors << RipErrorText(error);
        }
    });
    if (written == static_cast<int>(done.size())) {
        albumGain_ = extras.AlbumGain;
        albumPeak_ = *extras.AlbumPeak;
    }
    lines << QStringLiteral("Gain d'album : %1, crête %2%3")
                 .arg(GainText(*extras.AlbumGain), PeakText(*extras.AlbumPeak),
                      written == static_cast<int>(done.size())
                          ? QString()
                          : QStringLiteral(" (fichiers non tous modifiés)"));
    return lines;
}

void DiscRip::Verify(TrackRip &Rip)
{
    if (!Rip.Checksummed)
        return;
    // After the first complete track: a disc that cannot be read is never looked up.
    LookUp();
    Rip.Verdict = VerdictOf(lookup_, request_.Disc.AudioIndexOf(Rip.Track), Rip.V1, Rip.V2);
}

void DiscRip::LookUp()
{
    if (lookedUp_ || request_.AccurateRipServer.trimmed().isEmpty() || !fetcher_)
        return;
    lookup_ = fetcher_->Fetch(request_.AccurateRipServer, request_.Disc.AccurateRipIds());
    lookedUp_ = true;
}

bool DiscRip::Checksummable(int Track) const
{
    // The database's checksums are of the drive's own samples; it knows no hidden track.
    const bool hidden = Track == 0 && request_.Disc.HasHiddenTrack();
    return !hidden && source_.Channels() == 2 && source_.Rate() == 44100;
}

DriveCache DiscRip::CacheFound() const
{
    for (const TrackRip &rip : results_)
        if (rip.Report.Cache != DriveCache::Unknown)
            return rip.Report.Cache;
    return DriveCache::Unknown;
}

QStringList DiscRip::Finish()
{
    // Tracks read ahead that the caller did not ask for after all: none of them is put in place.
    pipeline_.reset();
    queued_.clear();
    RipSession session;
    session.Program = request_.Program;
    session.Started = request_.Started;
    session.Drive = request_.Drive;
    session.ReadOffset = request_.ReadOffset;
    session.Format = request_.Format ? request_.Format->Caption : QString();
    if (request_.Format)
        session.Settings = request_.Format->SettingsLines(request_.Encoder);
    session.Settings << QStringLiteral("Lecture : correction de gigue (paranoïa)");
    if (request_.Secure.On())
        session.Settings << QStringLiteral("Lecture sûre : lecture de test et de copie comparées, jusqu'à %1 "
                                           "relecture(s) par zone différente, %2 lectures identiques exigées")
                                .arg(request_.Secure.Tries)
                                .arg(request_.Secure.Matches)
                         << CacheText(request_.Secure, CacheFound());
    QStringList errors;
    session.Settings << FinishExtras(errors);
    session.Directory = folder_;
    session.Artist = request_.Metadata.Artist;
    session.Album = request_.Metadata.Album;
    session.CddbId = request_.Disc.CddbIdText();
    session.Disc = request_.Disc;
    session.AccurateRip = request_.Disc.AccurateRipIds();
    session.Server = request_.AccurateRipServer;
    session.LookedUp = lookedUp_;
    session.Lookup = lookup_;
    std::map<int, ReportTrack> tracks;
    for (const TrackRip &rip : results_) {
        if (!rip.Written())
            continue;
        ReportTrack track;
        track.Number = rip.Track;
        track.Title = request_.Metadata.TitleOf(rip.Track);
        track.File = QFileInfo(rip.File).fileName();
        track.FirstSector = rip.Range.First;
        track.LastSector = rip.Range.Last;
        track.Crc32 = rip.Crc32;
        track.PeakSample = rip.Report.PeakSample;
        track.V1 = rip.V1;
        track.V2 = rip.V2;
        track.Checksummed = rip.Checksummed;
        track.Verdict = rip.Verdict;
        track.JitterErrors = rip.Report.JitterErrors;
        track.RepairedSectors = rip.Report.RepairedSectors;
        track.Damage = DamageText(rip.Report, rip.Range, kAllAreas);
        track.SecureLines = SecureReadLines(rip.Report, rip.Range);
        track.NameShortened = rip.NameShortened;
        if (request_.Disc.HasTrack(rip.Track)) {
            const DiscTrack &entry = request_.Disc.Track(rip.Track);
            track.Pregap = entry.Pregap;
            track.Isrc = entry.Isrc;
            track.PreEmphasis = entry.PreEmphasis;
        }
        tracks[rip.Track] = track;
    }
    if (tracks.empty())
        return errors;

    // The reports of this disc and format: those already there are merged into, others (another
    // disc, another format, files of another program) are left alone and these get a name of their own.
    // Room is left for the suffixes and the temporary name the reports are written under first.
    const QString album =
        QString::fromUtf8(Utf8Prefix(SafeFileName(request_.Metadata.Album, QStringLiteral("Album")), 200));
    QString base;
    for (int n = 1; base.isEmpty(); ++n) {
        QString candidate = folder_ + QDir::separator() + album;
        if (n > 1)
            candidate += QStringLiteral(" (%1)").arg(session.Format);
        if (n > 2)
            candidate += QStringLiteral(" (%1)").arg(n - 1);
        const QString log = ReadSmallText(candidate + QStringLiteral(".log"));
        if (const auto kept = TracksOfLog(log, session.CddbId, session.Format)) {
            for (const ReportTrack &track : *kept)
                tracks.try_emplace(track.Number, track);
            base = candidate;
        } else if (!Exists(candidate + QStringLiteral(".log")) &&
                   !Exists(candidate + QStringLiteral(".cue")) &&
                   !Exists(candidate + QStringLiteral(".m3u"))) {
            base = candidate;
        }
    }
    for (const auto &[number, track] : tracks)
        session.Tracks.push_back(track);
    reportBase_ = base;

    const std::pair<QString, QByteArray> reports[] = {
        {QStringLiteral(".log"), RipLogText(session).toUtf8()},
        {QStringLiteral(".cue"), CueSheetBytes(CueSheetText(session))},
        {QStringLiteral(".m3u"), PlaylistText(session).toUtf8()},
    };
    for (const auto &[extension, bytes] : reports) {
        RipError error;
        if (!WriteFileAtomically(base + extension, bytes, error))
            errors << RipErrorText(error);
    }
    return errors;
}
