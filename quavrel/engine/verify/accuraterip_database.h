#pragma once
// The AccurateRip database's answer for one disc (a "dBAR" file) and a track's verdict against it.

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

struct AccurateRipEntry {
    uint8_t Confidence = 0;
    uint32_t Checksum = 0;
    uint32_t Frame450Checksum = 0;
};

// One pressing of the disc as others ripped it.
struct AccurateRipPressing {
    uint32_t Id1 = 0;
    uint32_t Id2 = 0;
    uint32_t Id3 = 0;
    std::vector<AccurateRipEntry> Tracks;
};

// The pressings of a dBAR file; nullopt when the bytes are not one (cut short, empty, or a
// pressing without tracks).
std::optional<std::vector<AccurateRipPressing>> ParseAccurateRipFile(const QByteArray &Bytes);

enum class AccurateRipResult {
    Exact,    // a pressing has the track's v1 or v2 checksum
    Mismatch, // the disc is in the database, the track's checksums are not
    NotInDatabase,
    Offline,    // the database could not be asked
    NoDatabase, // no database server is set, or its answer was unreadable
};

struct AccurateRipVerdict {
    AccurateRipResult Result = AccurateRipResult::NoDatabase;
    // Exact: the matching entry's count (the highest when several match); Mismatch: the most
    // confident entry of the track.
    int Confidence = 0;
    // Exact: the match was on the v2 checksum.
    bool V2 = false;
};

// The verdict of the track at Index (1-based among the audio tracks) with checksums V1 and V2.
AccurateRipVerdict VerifyTrack(const std::vector<AccurateRipPressing> &Pressings, int Index, uint32_t V1,
                               uint32_t V2);

// "exacte (confiance 12)", "différente de la base (confiance 12)", "non vérifiée : ...": French.
QString VerdictText(const AccurateRipVerdict &Verdict);
