#pragma once
// The disc as Ostrelle's table of contents has it, both ways: minutes, seconds and frames from the
// start of the lead-in, at most OSTRELLE_MAX_TRACKS tracks.

#include "quavrel/disc/disc.h"

#include <optional>

#include <ostrelle/ostrelle.h>

// nullopt for a table without tracks or with addresses out of order.
std::optional<Disc> DiscOfToc(const TCdToc &Toc);
TCdToc TocOf(const Disc &Disc);
