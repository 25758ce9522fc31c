#pragma once
// What asking the AccurateRip database for one disc gave, and a track's verdict from it. The
// asking itself needs the network and lives outside the engine; the rip command is handed it.

#include "quavrel/engine/verify/accuraterip_database.h"
#include "quavrel/engine/verify/accuraterip_disc.h"

#include <functional>
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

// Asks Server for Disc's file and waits for the answer (the caller's events go on meanwhile).
using AccurateRipFetcher =
    std::function<AccurateRipLookup(const QString &Server, const AccurateRipDisc &Disc)>;

// The verdict of a track from a lookup: the lookup's own outcome when it found nothing.
AccurateRipVerdict VerdictOf(const AccurateRipLookup &Lookup, int Index, uint32_t V1, uint32_t V2);
