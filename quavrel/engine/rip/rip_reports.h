#pragma once
// What one rip command leaves beside its files: the rip log, the cue sheet and the playlist. The
// texts are built here from what the command recorded; the window writes them.

#include "quavrel/network/accuraterip_fetch.h"

#include <cstdint>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

// One track that was ripped to a complete file.
struct VerifiedTrack {
    int Number = 0;
    QString Title; // "" when unknown
    QString File;  // the full path
    int32_t FirstSector = 0;
    int32_t LastSector = 0;
    uint32_t Crc32 = 0;
    uint32_t V1 = 0;
    uint32_t V2 = 0;
    // The checksums count only for 44100 Hz stereo, the drive's own samples.
    bool Checksummed = false;
    AccurateRipVerdict Verdict;
    int32_t JitterErrors = 0;
    int32_t DamagedSectors = 0;
};

struct RipSession {
    QString Version;
    QDateTime Started;
    QString Drive;
    int32_t ReadOffset = 0;
    // "Format : Wav", "Qualité Ogg : 5", ...: one line each, as the log shows them.
    QStringList Settings;
    QString Directory;
    QString Artist;
    QString Album;
    AccurateRipDisc Disc;
    QString Server;
    bool LookedUp = false;
    AccurateRipLookup Lookup;
    std::vector<VerifiedTrack> Tracks;
};

// The log: French, one block per track in the order ripped, and a summary.
QString RipLogText(const RipSession &Session);
// A cue sheet of the ripped files in track order: one FILE per track, named relative to the
// sheet's folder, with the album's and the tracks' titles and performer.
QString CueSheetText(const RipSession &Session);
// The sheet's bytes: Latin-1, as cue sheets were and as libcdio reads them, when every character
// has one; otherwise UTF-8.
QByteArray CueSheetBytes(const QString &Text);
// An extended M3U playlist of the ripped files in track order, relative names.
QString PlaylistText(const RipSession &Session);

// "Piste 3 : AccurateRip exacte (confiance 7)", or "... : non vérifiée ..." and the like.
QString TrackVerdictText(const VerifiedTrack &Track);
