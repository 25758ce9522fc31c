#pragma once
// Asks an AccurateRip server for a disc's file over plain HTTP, within a time limit. The caller's
// thread waits in an event loop of its own, so its events (a cancel, a medium notice) go on
// meanwhile.

#include "quavrel/engine/verify/accuraterip_lookup.h"

#include <QString>

inline constexpr int kAccurateRipTimeoutMs = 10000;

// An empty Server or a disc without audio tracks asks nobody (NoDatabase). 404 is NotInDatabase;
// no answer within TimeoutMs, a refused connection or another HTTP status is Offline; an answer
// that is no dBAR file is NoDatabase.
AccurateRipLookup LookUpAccurateRip(const QString &Server, const AccurateRipDisc &Disc,
                                    int TimeoutMs = kAccurateRipTimeoutMs);
