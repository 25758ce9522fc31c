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
};

struct Disc {
    std::string name; // file stem: <name>.cue and <name>.bin
    std::vector<Track> tracks;
};

// The demo disc and the test images.
Disc DemoDisc();
Disc MixedModeDisc();
Disc EnhancedDisc();
Disc OneTrackDisc();

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
