#include "xmcd_writer.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace discgen {

namespace {

int32_t StartSecond(int32_t lsn)
{
    return (lsn + 150) / kFramesPerSecond;
}

} // namespace

uint32_t DiscId(const Layout &layout)
{
    uint32_t checksum = 0;
    for (int32_t start : layout.starts)
        for (int32_t s = StartSecond(start); s > 0; s /= 10)
            checksum += static_cast<uint32_t>(s % 10);
    const uint32_t length =
        static_cast<uint32_t>(StartSecond(layout.leadOut) - StartSecond(layout.starts.front()));
    return (checksum % 255) << 24 | length << 8 | static_cast<uint32_t>(layout.starts.size());
}

std::filesystem::path WriteXmcd(const Disc &disc, const DemoMetadata &metadata,
                                const std::filesystem::path &cddbDir)
{
    const Layout layout = LayoutOf(disc);
    char id[9];
    std::snprintf(id, sizeof id, "%08x", DiscId(layout));
    const std::filesystem::path dir = cddbDir / metadata.category;
    std::filesystem::create_directories(dir);
    const std::filesystem::path path = dir / id;

    // Written as bytes: the titles are already Windows-1252, as CDDB servers send them.
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "# xmcd\n#\n# Track frame offsets:\n";
    for (int32_t start : layout.starts)
        out << "#\t" << start + 150 << "\n";
    out << "#\n# Disc length: " << StartSecond(layout.leadOut) << " seconds\n#\n";
    out << "# Revision: 0\n# Submitted via: discgen 1.0\n#\n";
    out << "DISCID=" << id << "\n";
    out << "DTITLE=" << metadata.artist << " / " << metadata.album << "\n";
    out << "DYEAR=" << metadata.year << "\n";
    out << "DGENRE=" << metadata.genre << "\n";
    for (size_t i = 0; i < disc.tracks.size(); ++i)
        out << "TTITLE" << i << "=" << disc.tracks[i].title << "\n";
    out << "EXTD=Disque g\xE9n\xE9r\xE9 pour les essais.\n";
    for (size_t i = 0; i < disc.tracks.size(); ++i)
        out << "EXTT" << i << "=\n";
    out << "PLAYORDER=\n";
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path;
}

} // namespace discgen
