#pragma once
// A source of names for a disc (a CDDB server, MusicBrainz): asked for the disc's matches, then
// for the names of the one chosen. One object serves one lookup.

#include "quavrel/disc/disc.h"
#include "quavrel/metadata/lookup/disc_metadata.h"

#include <vector>

#include <QString>
#include <QStringList>

// One entry the source holds for the disc.
struct MetadataMatch {
    QString Source;   // "CDDB", "MusicBrainz"
    QString Category; // CDDB's category; empty for MusicBrainz
    QString DiscId;   // the disc's ID in that source
    QString Artist;
    QString Title;
    QString Date;           // "YYYY", "YYYY-MM-DD"; may be empty
    QString Country;        // may be empty
    QString Disambiguation; // may be empty
    int MediumPosition = 0; // the disc's place in a set of MediumCount, 0 when unknown
    int MediumCount = 0;
    QString ReleaseId; // MusicBrainz's release ID

    // As the match chooser lists it: "rock 3b04af05 Artist / Album", or for MusicBrainz
    // "MusicBrainz 1999-05-04 GB Artist / Album (remaster) — disque 2/2 — <release ID>".
    QString Line() const;
};

enum class LookupStatus {
    Found,      // Metadata holds the chosen match's names
    NoMatch,    // the source knows no such disc
    NoneChosen, // several matches and none taken
    BadChoice,  // the given choice is not one of the matches
    Failed,     // Message says why
    Abandoned,  // the user stopped the request
};

struct LookupResult {
    LookupStatus Status = LookupStatus::Failed;
    // For the user, in French, when Status is not Found: the very text to show; when several
    // sources found nothing, each one's in Messages, and Message holds them one a line.
    QString Message;
    QStringList Messages;
    QString Source;
    // The disc's ID in the source that answered last.
    QString DiscId;
    bool Exact = true;
    std::vector<MetadataMatch> Matches;
    int Chosen = -1; // index into Matches
    DiscMetadata Metadata;
};

class MetadataSource {
  public:
    virtual ~MetadataSource() = default;
    virtual QString Name() const = 0;
    // The disc's matches: Status Found with Matches (at least one), or NoMatch, Failed, Abandoned
    // with Message.
    virtual LookupResult Query(const Disc &Disc) = 0;
    // The names of match Index of the last Query: Status Found with Metadata, or Failed,
    // Abandoned with Message.
    virtual LookupResult Read(const Disc &Disc, const LookupResult &Query, int Index) = 0;
    // From a handler while Query or Read waits: the request ends at once as Abandoned.
    virtual void Abort() = 0;
};
