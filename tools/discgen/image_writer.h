#pragma once
// Writes a disc as one .bin (every track's raw 2352-byte sectors, back to back, pre-gaps included)
// and a .cue naming it, with its CD-Text in a .cdt when it has more than one language; and the same
// disc as cdrdao writes it for a real disc: a .toc over one big-endian data file. One data file
// per cue sheet: libcdio opens the .bin named like the .cue whatever the FILE line says.

#include "disc_layout.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace discgen {

// Track start sectors (LSN, INDEX 01), their pre-gaps' first sectors (INDEX 00) and the lead-out,
// as a reader of the cue sheet sees them.
struct Layout {
    std::vector<int32_t> starts;
    std::vector<int32_t> pregaps;
    int32_t leadOut = 0;
};

Layout LayoutOf(const Disc &disc);

// Writes <dir>/<name>.bin and <dir>/<name>.cue (and <name>.cdt). Throws std::runtime_error on I/O
// failure.
void WriteImage(const Disc &disc, const std::filesystem::path &dir);

// Writes <dir>/<name>.toc over <dir>/<name>-cdrdao.bin, laid out as cdrdao read-cd writes them:
// the disc's CD_TEXT with octal escapes, CATALOG, per track its flags, ISRC, CD_TEXT, FILE (or
// DATAFILE) and a START where it has a pre-gap. With firstPregapSilent, the first track's pre-gap
// is SILENCE, as cdrdao writes it when the drive gives none of it, and the data file begins at the
// first track's start (<name>-silence.toc over <name>-silence.bin).
void WriteCdrdaoToc(const Disc &disc, const std::filesystem::path &dir, bool firstPregapSilent);

} // namespace discgen
