#pragma once
// Asks an AccurateRip server for a disc's file over plain HTTP, within a time limit. The caller's
// thread waits in an event loop of its own, so its events (a cancel, a medium notice) go on
// meanwhile.

#include "accuraterip_database.h"
#include "accuraterip_disc.h"

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

inline constexpr int kAccurateRipTimeoutMs = 10000;

// An empty Server or a disc without audio tracks asks nobody (NoDatabase). 404 is NotInDatabase;
// no answer within TimeoutMs, a refused connection or another HTTP status is Offline; an answer
// that is no dBAR file is NoDatabase.
AccurateRipLookup LookUpAccurateRip(const QString &Server, const AccurateRipDisc &Disc,
                                    int TimeoutMs = kAccurateRipTimeoutMs);

// The verdict of a track from a lookup: the lookup's own outcome when it found nothing.
AccurateRipVerdict VerdictOf(const AccurateRipLookup &Lookup, int Index, uint32_t V1, uint32_t V2);
