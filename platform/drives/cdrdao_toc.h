#pragma once
// A cdrdao TOC file taken apart, as cdrdao's manual defines the format: the catalogue number, the
// CD-Text blocks, and per track its mode, flags, ISRC, CD-Text and the statements its data is made
// of, with its pre-gap (START, PREGAP) and index increments. A pure function of the text, so that
// it can be fuzzed; the files it names are neither opened nor checked here (disc_image.cpp does).
//
// Lengths are kept in the track's own unit: samples (1/44100 s) for an audio track, bytes for a
// data track; an MM:SS:FF value is counted in blocks of the track's mode.

#include "cd_text_packs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drives {

// The block each sector of a track's data takes in its files (sub-channel bytes excluded).
enum class TocMode { Audio, Mode0, Mode1, Mode1Raw, Mode2, Mode2Form1, Mode2Form2, Mode2FormMix, Mode2Raw };

int32_t TocModeBlockBytes(TocMode mode);

struct CdrdaoData {
    enum Kind { Zeros, File };
    Kind kind = Zeros;
    std::string file;              // as written in the TOC
    bool audioFile = true;         // FILE/AUDIOFILE (samples, raw big endian or WAVE); false for DATAFILE
    int64_t byteOffset = 0;        // "#N": bytes skipped at the file's start (before any WAVE header search)
    int64_t start = 0;             // in the track's unit, from the file's first sample (audio only)
    std::optional<int64_t> length; // in the track's unit; none (or 0 for audio): to the file's end
};

struct CdrdaoTrack {
    TocMode mode = TocMode::Audio;
    int32_t subChannelBytes = 0; // 96 with RW or RW_RAW: stored after each block
    bool copy = false;
    bool preEmphasis = false;
    bool fourChannel = false;
    std::string isrc;
    std::vector<CdrdaoData> data;
    // The pre-gap's length (START MM:SS:FF, PREGAP), in the track's unit from its first byte; or,
    // for a bare START, the number of data statements it takes. Neither: no pre-gap.
    std::optional<int64_t> pregap;
    std::optional<size_t> pregapAfterData;
    std::vector<int32_t> indexes; // INDEX statements: blocks after the track's start (INDEX 01)
    // Per language number 0..7, the track's CD-Text items (texts only).
    std::vector<std::pair<int, CdTextItems>> cdText;

    bool Audio() const { return mode == TocMode::Audio; }
};

struct CdrdaoToc {
    std::string catalog;
    // LANGUAGE_MAP: language number -> language code.
    std::vector<std::pair<int, int>> languages;
    // Per language number, the disc's CD-Text items; the character code from its SIZE_INFO.
    struct DiscText {
        int number = 0;
        CdTextItems items;
        std::optional<uint8_t> charset;
    };
    std::vector<DiscText> cdText;
    std::vector<CdrdaoTrack> tracks;
};

// The TOC of text; nullopt with Error (in French, with the line) when it is not one.
std::optional<CdrdaoToc> ParseCdrdaoToc(std::string_view text, std::string &Error);

} // namespace drives
