#pragma once
// The rip command: chosen tracks of a disc to files of one format, named from the disc's names,
// read through the drive's read offset, each file's audio checksummed as it flows and checked
// against the AccurateRip database, with the rip log, cue sheet and playlist of the disc beside
// them. The window and quavrel-cli are two views over it: they fill a request, rip the tracks
// one by one and show what each one gave.
//
// The caller's thread asks for the tracks one by one and keeps processing its events while they
// are read (on the pipeline's reader thread, running ahead into the tracks to come) and encoded
// (on its encoder threads): a cancel, a medium notice.

#include "quavrel/disc/disc.h"
#include "quavrel/engine/formats/rip_formats.h"
#include "quavrel/engine/loudness/track_loudness.h"
#include "quavrel/engine/pipeline/rip_pipeline.h"
#include "quavrel/engine/rip/cover_art.h"
#include "quavrel/engine/rip/rip_reports.h"
#include "quavrel/engine/verify/accuraterip_lookup.h"
#include "quavrel/engine/verify/track_checksums.h"
#include "quavrel/metadata/lookup/disc_metadata.h"
#include "quavrel/naming/disc_file_names.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

class RipSource;

struct RipRequest {
    ::Disc Disc;
    // The names the files are to carry, as the user keeps them.
    DiscMetadata Metadata;
    const RipFormat *Format = nullptr;
    EncoderChoice Encoder;
    // The output folder the user chose, and whether the files go into artist/album below it.
    QString OutputRoot;
    bool ByArtist = true;
    NamingRules Naming;
    // The drive, by its name, and its read offset in samples (AccurateRip's sign).
    QString Drive;
    int32_t ReadOffset = 0;
    // The AccurateRip server ("http://host[:port]"); empty asks none.
    QString AccurateRipServer;
    // The front cover of the release the names came from (its MusicBrainz identifier), from the
    // Cover Art Archive service at CoverArtServer: embedded in the files, saved beside them, both.
    CoverChoice Cover = CoverChoice::None;
    QString CoverArtServer;
    // ReplayGain 2.0 tags: each track's, and the album's when the command rips every audio track.
    bool ReplayGain = false;
    // The tracks the command is to rip, in the order it rips them: the drive reads on into the
    // next ones while the tracks before are encoded. A track asked for outside them is read when
    // asked.
    std::vector<int> Tracks;
    // Encoders at work at once; 0: one per core.
    int Workers = 0;
    // Test and copy with re-reads where they differ (off: each sector read once).
    SecureReading Secure;
    // "Quavrel 1.1", for the reports.
    QString Program;
    QDateTime Started = QDateTime::currentDateTime();
};

// How one track of the command went.
struct TrackRip {
    int Track = 0;
    QString File; // the full path: the file written, else the track's final name
    SectorRange Range;
    RipReport Report;
    uint32_t Crc32 = 0;
    uint32_t V1 = 0;
    uint32_t V2 = 0;
    bool Checksummed = false;
    AccurateRipVerdict Verdict;
    bool NameShortened = false;
    // The track's ReplayGain values (ReplayGain on, a complete track with sound above the gate).
    std::optional<double> Gain;
    double Peak = 0;

    bool Done() const { return Report.Outcome == RipOutcome::Done; }
    // Some audio was lost: File is the track's damaged name.
    bool Damaged() const { return Report.Outcome == RipOutcome::Damaged; }
    // A file of the track was put in place, complete or damaged.
    bool Written() const { return Done() || Damaged(); }
};

class DiscRip {
  public:
    // The source reads the drive; Fetcher (not owned, may be null) asks the AccurateRip server:
    // the engine has no network of its own.
    DiscRip(RipSource &Source, AccurateRipFetcher *Fetcher);
    ~DiscRip();
    DiscRip(const DiscRip &) = delete;
    DiscRip &operator=(const DiscRip &) = delete;

    // The service the cover is asked of (not owned, may be null: no cover).
    void SetCoverArtFetcher(CoverArtFetcher *Fetcher) { covers_ = Fetcher; }

    // Works out the output folder (made with its parents) and every track's file. False with
    // Error when nothing can be ripped (no format, no folder).
    bool Begin(const RipRequest &Request, RipError &Error);
    const RipRequest &Request() const { return request_; }
    const QString &Folder() const { return folder_; }
    // Track's file, full path; empty for a track that has none (a data track).
    QString FileOf(int Track) const;
    // Track's file name without its folder and extension.
    QString BaseNameOf(int Track) const;

    // Rips one track (Begin first). Progress gets the library's percentage after each chunk.
    TrackRip RipTrack(int Track, const std::function<void(int32_t Percent)> &Progress = {});
    // From a handler while RipTrack waits: the chunk being read (or the database's answer) stops
    // at once, and every later RipTrack of this command comes back cancelled.
    void Cancel();
    bool Cancelled() const { return cancelled_; }
    // The tracks of the command so far, in the order ripped.
    const std::vector<TrackRip> &Results() const { return results_; }
    // Whether the drive caches audio, as a secure rip found it (stored or measured); Unknown
    // before one, or when reads were too fast to time.
    DriveCache CacheFound() const;

    // The log, cue sheet and playlist of the disc in the folder, with the tracks of earlier
    // commands of the same disc and format kept (nothing is written when no track was ripped).
    // The errors of the reports that could not be written, in French.
    QStringList Finish();
    // Where Finish wrote the reports, without extension; empty before.
    const QString &ReportBase() const { return reportBase_; }
    // What became of the cover, in French, as the log says it; empty when none was asked for.
    const QString &CoverNote() const { return coverNote_; }
    // The album's gain and peak, once Finish wrote them into every track's file.
    std::optional<double> AlbumGain() const { return albumGain_; }
    double AlbumPeak() const { return albumPeak_; }

  private:
    // A track queued in the pipeline, with what follows its audio as it flows.
    struct Queued {
        RipPipeline::Ticket Ticket = 0;
        std::unique_ptr<TrackChecksums> Sums;
        // Secure mode: the copy read's checksums, to skip the test read of a proven copy.
        std::unique_ptr<TrackChecksums> Proof;
        std::unique_ptr<TrackLoudness> Meter;
        std::shared_ptr<AudioSink> Sink;
        RipError Error;
    };
    TrackTags TagsOf(int Track) const;
    // Why Track cannot be ripped, or none.
    RipError RefusalOf(int Track) const;
    RipPipeline &Pipeline();
    // Track into the pipeline, unless it is there; then the planned tracks after it, as many as
    // keep every encoder busy.
    void QueueFrom(int Track);
    void QueueTrack(int Track);
    // The disc's AccurateRip file, once per command (a server and a fetcher given).
    void LookUp();
    // The track's checksums can be the database's: the drive's own samples of an audio track.
    bool Checksummable(int Track) const;
    void Verify(TrackRip &Rip);
    // Asks for the cover once per command, before the first track that is read.
    void FetchCover();
    // The album's gain into every file of the command, the cover file beside them; the log's lines.
    QStringList FinishExtras(QStringList &Errors);

    RipSource &source_;
    AccurateRipFetcher *fetcher_;
    RipRequest request_;
    QString folder_;
    std::map<int, TrackFileName> names_;
    std::vector<TrackRip> results_;
    std::unique_ptr<RipPipeline> pipeline_;
    std::map<int, Queued> queued_;
    // The planned tracks not yet queued, in order.
    std::vector<int> planned_;
    int workers_ = 1;
    bool cancelled_ = false;
    bool lookedUp_ = false;
    AccurateRipLookup lookup_;
    QString reportBase_;
    CoverArtFetcher *covers_ = nullptr;
    bool coverAsked_ = false;
    CoverImage cover_;
    QString coverNote_;
    // Each complete track's meter, for the album's loudness.
    std::map<int, std::unique_ptr<TrackLoudness>> loudness_;
    std::optional<double> albumGain_;
    double albumPeak_ = 0;
};

// The tags of track Number of Disc with Metadata's names.
TrackTags TrackTagsOf(const Disc &Disc, const DiscMetadata &Metadata, int Number);
