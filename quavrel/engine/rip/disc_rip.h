#pragma once
// The rip command: chosen tracks of a disc to files of one format, named from the disc's names,
// read through the drive's read offset, each file's audio checksummed as it flows and checked
// against the AccurateRip database, with the rip log, cue sheet and playlist of the disc beside
// them. The window and quavrel-cli are two views over it: they fill a request, rip the tracks
// one by one and show what each one gave.
//
// Everything runs on the caller's thread, which keeps processing its events while a track is
// read and encoded on the pipeline's reader thread (a cancel, a medium notice).

#include "quavrel/disc/disc.h"
#include "quavrel/engine/formats/rip_formats.h"
#include "quavrel/engine/pipeline/rip_pipeline.h"
#include "quavrel/engine/rip/rip_reports.h"
#include "quavrel/engine/verify/accuraterip_lookup.h"
#include "quavrel/metadata/lookup/disc_metadata.h"
#include "quavrel/naming/disc_file_names.h"

#include <functional>
#include <map>
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
    // "Quavrel 1.1", for the reports.
    QString Program;
    QDateTime Started = QDateTime::currentDateTime();
};

// How one track of the command went.
struct TrackRip {
    int Track = 0;
    QString File; // the full path
    SectorRange Range;
    RipReport Report;
    uint32_t Crc32 = 0;
    uint32_t V1 = 0;
    uint32_t V2 = 0;
    bool Checksummed = false;
    AccurateRipVerdict Verdict;
    bool NameShortened = false;

    bool Done() const { return Report.Outcome == RipOutcome::Done; }
    bool Damaged() const { return Report.DamagedChunks > 0 || Report.JitterErrors > 0; }
};

class DiscRip {
  public:
    // The source reads the drive; Fetcher (not owned, may be null) asks the AccurateRip server:
    // the engine has no network of its own.
    DiscRip(RipSource &Source, AccurateRipFetcher *Fetcher);
    DiscRip(const DiscRip &) = delete;
    DiscRip &operator=(const DiscRip &) = delete;

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

    // The log, cue sheet and playlist of the disc in the folder, with the tracks of earlier
    // commands of the same disc and format kept (nothing is written when no track was ripped).
    // The errors of the reports that could not be written, in French.
    QStringList Finish();
    // Where Finish wrote the reports, without extension; empty before.
    const QString &ReportBase() const { return reportBase_; }

  private:
    TrackTags TagsOf(int Track) const;
    void Verify(TrackRip &Rip);

    RipSource &source_;
    AccurateRipFetcher *fetcher_;
    RipRequest request_;
    QString folder_;
    std::map<int, TrackFileName> names_;
    std::vector<TrackRip> results_;
    RipPipeline *pipeline_ = nullptr;
    bool cancelled_ = false;
    bool lookedUp_ = false;
    AccurateRipLookup lookup_;
    QString reportBase_;
};

// The tags of track Number of Disc with Metadata's names.
TrackTags TrackTagsOf(const Disc &Disc, const DiscMetadata &Metadata, int Number);
