#pragma once
// What asking the AccurateRip database for one disc gave, and a track's verdict from it. The
// asking itself needs the network and lives outside the engine; the rip command is handed it.

#include "quavrel/engine/verify/accuraterip_database.h"
#include "quavrel/engine/verify/accuraterip_disc.h"

#include <vector>

#include <QString>

struct AccurateRipLookup {
    // NotInDatabase, Offline or NoDatabase; or Exact for "the disc's file was found".
    AccurateRipResult Result = AccurateRipResult::NoDatabase;
    std::vector<AccurateRipPressing> Pressings;
    // What went wrong, for the rip log ("Connection refused", "HTTP 500", ...).
    QString Detail;

    bool Found() const { return Result == AccurateRipResult::Exact; }
};

// Asks a server for a disc's file and waits for the answer, the caller's events going on meanwhile.
class AccurateRipFetcher {
  public:
    virtual ~AccurateRipFetcher() = default;
    virtual AccurateRipLookup Fetch(const QString &Server, const AccurateRipIdentity &Ids) = 0;
    // From a handler while Fetch waits: it returns at once (Offline, "requête abandonnée").
    virtual void Abort() = 0;
};

// The verdict of a track from a lookup: the lookup's own outcome when it found nothing.
AccurateRipVerdict VerdictOf(const AccurateRipLookup &Lookup, int Index, uint32_t V1, uint32_t V2);
