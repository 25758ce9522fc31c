#pragma once
// Writes a disc as one .bin (every track's raw 2352-byte sectors, back to back) and a .cue naming
// it. One data file per disc: libcdio opens the .bin named like the .cue whatever the FILE line says.

#include "disc_layout.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace discgen {

// Track start sectors (LSN) and the lead-out, as a reader of the cue sheet sees them.
struct Layout {
    std::vector<int32_t> starts;
    int32_t leadOut = 0;
};

Layout LayoutOf(const Disc &disc);

// Writes <dir>/<name>.bin and <dir>/<name>.cue. Throws std::runtime_error on I/O failure.
void WriteImage(const Disc &disc, const std::filesystem::path &dir);

} // namespace discgen
