#include "image_writer.h"

#include "cd_text_packs.h"
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

// A track's sectors from its INDEX 00 on: its pre-gap's own music, then its own.
std::vector<unsigned char> TrackBytes(const Track &track, int32_t firstLsn)
{
    if (!track.audio)
        return DataTrack(track, firstLsn);
    std::vector<unsigned char> bytes;
    if (track.pregap > 0) {
        Track gap = track;
        gap.sectors = track.pregap;
        gap.timbre = (track.timbre + 2) % 5;
        gap.pan = -track.pan;
        bytes = SynthesiseTrack(gap);
    }
    const std::vector<unsigned char> music = SynthesiseTrack(track);
    bytes.insert(bytes.end(), music.begin(), music.end());
    return bytes;
}

void Write(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

// Cue sheets have no escape for the quote.
std::string CueText(std::string text)
{
    for (char &c : text)
        if (c == '"')
            c = '\'';
    return '"' + text + '"';
}

// cdrdao's strings: \" and \\ escaped, every byte beyond ASCII as three octal digits.
std::string TocText(const std::string &text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", byte);
            quoted += octal;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::vector<drives::CdTextBlock> BlocksOf(const Disc &disc)
{
    std::vector<drives::CdTextBlock> blocks;
    for (const TextBlock &text : disc.text) {
        drives::CdTextBlock block;
        block.language = text.language;
        block.charset = text.charset;
        block.texts.resize(disc.tracks.size() + 1);
        block.texts[0][drives::kCdTextTitle] = text.album;
        block.texts[0][drives::kCdTextPerformer] = text.artist;
        for (size_t i = 0; i < disc.tracks.size(); ++i) {
            block.texts[i + 1][drives::kCdTextTitle] =
                i < text.titles.size() ? text.titles[i] : std::string();
            block.texts[i + 1][drives::kCdTextPerformer] = text.artist;
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace

Layout LayoutOf(const Disc &disc)
{
    Layout layout;
    int32_t position = 0;
    for (const Track &track : disc.tracks) {
        layout.pregaps.push_back(position);
        position += track.pregap;
        layout.starts.push_back(position);
        position += track.sectors;
    }
    layout.leadOut = position;
    return layout;
}

void WriteImage(const Disc &disc, const std::filesystem::path &dir)
{
    const Layout layout = LayoutOf(disc);
    std::string bin;
    std::string sheet;
    if (!disc.catalog.empty())
        sheet += "CATALOG " + disc.catalog + "\n";
    if (!disc.text.empty()) {
        // The first block in the sheet's own lines; every language in the CD-Text file.
        if (disc.text.size() > 1) {
            const std::vector<uint8_t> packs =
                drives::EncodeCdText(BlocksOf(disc), 1, static_cast<int>(disc.tracks.size()));
            Write(dir / (disc.name + ".cdt"), std::string(packs.begin(), packs.end()));
            sheet += "CDTEXTFILE \"" + disc.name + ".cdt\"\n";
        }
        sheet +=
            "PERFORMER " + CueText(disc.text[0].artist) + "\nTITLE " + CueText(disc.text[0].album) + "\n";
    }
    sheet += "FILE \"" + disc.name + ".bin\" BINARY\n";
    for (size_t i = 0; i < disc.tracks.size(); ++i) {
        const Track &track = disc.tracks[i];
        const std::vector<unsigned char> bytes = TrackBytes(track, layout.pregaps[i]);
        bin.append(bytes.begin(), bytes.end());
        char header[64];
        std::snprintf(header, sizeof header, "  TRACK %02zu %s\n", i + 1,
                      track.audio ? "AUDIO" : "MODE1/2352");
        sheet += header;
        if (!disc.text.empty() && i < disc.text[0].titles.size())
            sheet += "    TITLE " + CueText(disc.text[0].titles[i]) + "\n    PERFORMER " +
                     CueText(disc.text[0].artist) + "\n";
        if (track.preEmphasis || track.copy)
            sheet += std::string("    FLAGS") + (track.copy ? " DCP" : "") +
                     (track.preEmphasis ? " PRE" : "") + "\n";
        if (!track.isrc.empty())
            sheet += "    ISRC " + track.isrc + "\n";
        if (track.pregap > 0)
            sheet += "    INDEX 00 " + Msf(layout.pregaps[i]) + "\n";
        sheet += "    INDEX 01 " + Msf(layout.starts[i]) + "\n";
    }
    Write(dir / (disc.name + ".bin"), bin);
    Write(dir / (disc.name + ".cue"), sheet);
}

void WriteCdrdaoToc(const Disc &disc, const std::filesystem::path &dir, bool firstPregapSilent)
{
    const Layout layout = LayoutOf(disc);
    const std::string stem = disc.name + (firstPregapSilent ? "-silence" : "");
    const std::string dataName = stem + (firstPregapSilent ? ".bin" : "-cdrdao.bin");
    bool data = false;
    for (const Track &track : disc.tracks)
        data = data || !track.audio;
    std::string toc = data ? "CD_ROM_XA\n\n" : "CD_DA\n\n";
    const std::vector<drives::CdTextBlock> blocks = BlocksOf(disc);
    if (!blocks.empty()) {
        toc += "CD_TEXT {\n  LANGUAGE_MAP {\n";
        for (size_t b = 0; b < blocks.size(); ++b)
            toc += "    " + std::to_string(b) + " : " +
                   (blocks[b].language == 9 ? std::string("EN") : std::to_string(blocks[b].language)) + "\n";
        toc += "  }\n";
        for (size_t b = 0; b < blocks.size(); ++b) {
            toc += "\n  LANGUAGE " + std::to_string(b) + " {\n    TITLE " + TocText(disc.text[b].album) +
                   "\n    PERFORMER " + TocText(disc.text[b].artist) + "\n";
            // cdrdao keeps the size information read from the disc; its first byte is the character code.
            toc += "    SIZE_INFO { " + std::to_string(blocks[b].charset) + ", 1, " +
                   std::to_string(disc.tracks.size()) +
                   ", 0, 0, 0, 0, 0, 0, 0, 0, 0,\n                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,\n"
                   "                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}\n  }\n";
        }
        toc += "}\n\n";
    }
    if (!disc.catalog.empty())
        toc += "CATALOG \"" + disc.catalog + "\"\n\n";
    std::string bin;
    int64_t fileSector = 0; // where the next track's data begins in the data file
    for (size_t i = 0; i < disc.tracks.size(); ++i) {
        const Track &track = disc.tracks[i];
        std::vector<unsigned char> bytes = TrackBytes(track, layout.pregaps[i]);
        const bool silent = firstPregapSilent && i == 0 && track.pregap > 0;
        if (silent)
            bytes.erase(bytes.begin(), bytes.begin() + int64_t{track.pregap} * kSectorBytes);
        // Raw audio files are big-endian; data sectors go as they are.
        if (track.audio)
            for (size_t k = 0; k + 1 < bytes.size(); k += 2)
                std::swap(bytes[k], bytes[k + 1]);
        bin.append(bytes.begin(), bytes.end());
        const int32_t sectors = static_cast<int32_t>(bytes.size() / kSectorBytes);
        toc +=
            "// Track " + std::to_string(i + 1) + "\nTRACK " + (track.audio ? "AUDIO" : "MODE1_RAW") + "\n";
        toc += track.copy ? "COPY\n" : "NO COPY\n";
        if (track.audio)
            toc += std::string(track.preEmphasis ? "PRE_EMPHASIS\n" : "NO PRE_EMPHASIS\n") +
                   "TWO_CHANNEL_AUDIO\n";
        if (!track.isrc.empty())
            toc += "ISRC \"" + track.isrc + "\"\n";
        if (!blocks.empty() && track.audio) {
            toc += "CD_TEXT {\n";
            for (size_t b = 0; b < disc.text.size(); ++b)
                toc += "  LANGUAGE " + std::to_string(b) + " {\n    TITLE " +
                       TocText(i < disc.text[b].titles.size() ? disc.text[b].titles[i] : std::string()) +
                       "\n    PERFORMER " + TocText(disc.text[b].artist) + "\n  }\n";
            toc += "}\n";
        }
        if (silent)
            toc += "SILENCE " + Msf(track.pregap) + "\n";
        if (track.audio) {
            toc += "FILE \"" + dataName + "\" ";
            // Samples counted from the file's first byte, data sectors included.
            toc += fileSector == 0 ? std::string("0") : Msf(static_cast<int32_t>(fileSector));
            toc += " " + Msf(sectors) + "\n";
        } else {
            toc += "DATAFILE \"" + dataName + "\"" +
                   (fileSector > 0 ? " #" + std::to_string(fileSector * kSectorBytes) : std::string()) + " " +
                   Msf(sectors) + " // length in bytes: " + std::to_string(bytes.size()) + "\n";
        }
        if (track.pregap > 0)
            toc += "START " + Msf(track.pregap) + "\n";
        toc += "\n";
        fileSector += sectors;
    }
    Write(dir / dataName, bin);
    Write(dir / (stem + ".toc"), toc);
}

} // namespace discgen
