#pragma once
// What a generated disc holds: its tracks, in order, each audio (a piece of music) or data.

#include <cstdint>
#include <string>
#include <vector>

namespace discgen {

inline constexpr int kSectorBytes = 2352;
inline constexpr int kFramesPerSecond = 75;

// A note or chord: frequencies sounded together for a number of sixteenths.
struct Note {
    std::vector<double> frequencies; // Hz; empty never happens (no silence)
    int sixteenths = 1;
};

struct Track {
    bool audio = true;
    int32_t sectors = 0;     // length in sectors (1/75 s each)
    std::string title;       // Windows-1252 text for the xmcd entry
    std::vector<Note> notes; // audio: played in a loop until the track ends
    double tempo = 120.0;    // quarter notes a minute
    int timbre = 0;          // selects harmonics and envelope
    double pan = 0.0;        // -1 left .. 1 right
    // Sectors of INDEX 00 before the track's start, in the image: music of their own (in the first
    // track, a hidden track).
    int32_t pregap = 0;
    std::string isrc; // 12 characters, or empty
    bool preEmphasis = false;
    bool copy = false;
};

// A CD-Text block: texts as bytes of the block's character code (0x00 Latin-1, 0x80 MS-JIS).
struct TextBlock {
    uint8_t language = 0x09;
    uint8_t charset = 0x00;
    std::string album;
    std::string artist;
    std::vector<std::string> titles; // per track
};

struct Disc {
    std::string name; // file stem: <name>.cue and <name>.bin
    std::vector<Track> tracks;
    std::string catalog; // 13 digits, or empty
    std::vector<TextBlock> text;
};

// The demo disc and the test images.
Disc DemoDisc();
Disc MixedModeDisc();
Disc EnhancedDisc();
Disc OneTrackDisc();
// Everything a disc may hold beyond its table: a hidden track before track 1, pre-gaps with music
// in them, ISRCs, a catalogue number, CD-Text in English (Latin-1) and Japanese (MS-JIS), an
// emphasised track and one that may be copied.
Disc ContentsDisc();

// An album of twelve tracks lasting about Minutes, for the benchmarks ("long").
Disc LongDisc(int Minutes);

// Artist, album, year and genre of the demo disc's xmcd entry (Windows-1252).
struct DemoMetadata {
    std::string artist;
    std::string album;
    std::string year;
    std::string genre;
    std::string category; // the CDDB category directory
};
DemoMetadata DemoDiscMetadata();

} // namespace discgen
