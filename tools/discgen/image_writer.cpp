#include "image_writer.h"

#include "synth.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace discgen {

namespace {

unsigned char Bcd(int value)
{
    return static_cast<unsigned char>((value / 10) << 4 | (value % 10));
}

std::string Msf(int32_t sectors)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / (60 * kFramesPerSecond),
                  sectors / kFramesPerSecond % 60, sectors % kFramesPerSecond);
    return text;
}

// A MODE1/2352 sector: sync, header, user data. EDC and ECC are left zero: nothing of ours reads
// the data track's contents, only its place in the TOC.
std::vector<unsigned char> DataTrack(const Track &track, int32_t firstLsn)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(track.sectors) * kSectorBytes, 0);
    static const char kText[] = "Quavrel test data track. ";
    for (int32_t s = 0; s < track.sectors; ++s) {
        unsigned char *sector = bytes.data() + static_cast<size_t>(s) * kSectorBytes;
        for (int i = 1; i <= 10; ++i)
            sector[i] = 0xFF;
        const int32_t address = firstLsn + s + 150;
        sector[12] = Bcd(address / (60 * kFramesPerSecond));
        sector[13] = Bcd(address / kFramesPerSecond % 60);
        sector[14] = Bcd(address % kFramesPerSecond);
        sector[15] = 1;
        for (int i = 0; i < 2048; ++i)
            sector[16 + i] = static_cast<unsigned char>(kText[i % (sizeof kText - 1)]);
    }
    return bytes;
}

} // namespace

Layout LayoutOf(const Disc &disc)
{
    Layout layout;
    int32_t position = 0;
    for (const Track &track : disc.tracks) {
        layout.starts.push_back(position);
        position += track.sectors;
    }
    layout.leadOut = position;
    return layout;
}

void WriteImage(const Disc &disc, const std::filesystem::path &dir)
{
    const Layout layout = LayoutOf(disc);
    const std::filesystem::path bin = dir / (disc.name + ".bin");
    const std::filesystem::path cue = dir / (disc.name + ".cue");

    std::ofstream binFile(bin, std::ios::binary | std::ios::trunc);
    std::string sheet = "FILE \"" + disc.name + ".bin\" BINARY\n";
    for (size_t i = 0; i < disc.tracks.size(); ++i) {
        const Track &track = disc.tracks[i];
        const std::vector<unsigned char> bytes =
            track.audio ? SynthesiseTrack(track) : DataTrack(track, layout.starts[i]);
        binFile.write(reinterpret_cast<const char *>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        char header[64];
        std::snprintf(header, sizeof header, "  TRACK %02zu %s\n", i + 1,
                      track.audio ? "AUDIO" : "MODE1/2352");
        sheet += header;
        sheet += "    INDEX 01 " + Msf(layout.starts[i]) + "\n";
    }
    binFile.close();
    if (!binFile)
        throw std::runtime_error("cannot write " + bin.string());

    std::ofstream cueFile(cue, std::ios::trunc);
    cueFile << sheet;
    cueFile.close();
    if (!cueFile)
        throw std::runtime_error("cannot write " + cue.string());
}

} // namespace discgen
