#pragma once
// The CDDB disc ID of a table of contents and the "cddb query" command built from it.

#include <cstdint>
#include <string>

#include <ostrelle/ostrelle.h>

namespace ostrelle {

// Tracks beyond the record's 100 entries do not exist, whatever Count says.
int TrackCountOf(const TCdToc &toc);

uint32_t DiscIdOf(const TCdToc &toc);

// "cddb query <ID> <n> <frame offset>... <disc seconds>", single spaces, ID in upper-case hex.
std::string QueryCommandOf(const TCdToc &toc);

} // namespace ostrelle
