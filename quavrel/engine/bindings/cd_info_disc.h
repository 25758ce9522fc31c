#pragma once
// The ripping library's edge: the disc information record the CD access helpers fill, as a Disc.

#include "quavrel/disc/disc.h"
#include "quavrel/engine/bindings/cd_access.h"

#include <optional>

// nullopt when the record holds no track.
std::optional<Disc> DiscOf(const TCdInfo &Info);
