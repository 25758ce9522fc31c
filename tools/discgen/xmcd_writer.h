#pragma once
// The demo disc's xmcd entry, in the layout a CDDB server keeps: <cddb dir>/<category>/<discid>.

#include "disc_layout.h"
#include "image_writer.h"

#include <cstdint>
#include <filesystem>

namespace discgen {

// The freedb disc ID of a layout (track starts and lead-out counted from MSF 00:02:00).
uint32_t DiscId(const Layout &layout);

// Writes the entry and returns its path. Throws std::runtime_error on I/O failure.
std::filesystem::path WriteXmcd(const Disc &disc, const DemoMetadata &metadata,
                                const std::filesystem::path &cddbDir);

} // namespace discgen
