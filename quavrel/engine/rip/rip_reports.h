#pragma once
// What a rip leaves beside its files: the rip log, the cue sheet and the playlist of the disc. The
// log is also read back: a later rip of the same disc and format merges its tracks into what an
// earlier one wrote, so the reports always describe every track ripped so far.

#include "quavrel/disc/disc.h"
#include "quavrel/engine/verify/accuraterip_lookup.h"

#include <cstdint>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

// One track ripped to a file, complete or damaged; number 0 is the hidden track.
struct ReportTrack {
    int Number = 0;
    QString Title; // "" when unknown
    QString File;  // the file's name, in the reports' folder
    int32_t FirstSector = 0;
    int32_t LastSector = 0;
    uint32_t Crc32 = 0;
    // The largest magnitude of its samples (32768: full scale).
    int32_t PeakSample = 0;
    uint32_t V1 = 0;
    uint32_t V2 = 0;
    // The checksums count only for 44100 Hz stereo, the drive's own samples.
    bool Checksummed = false;
    AccurateRipVerdict Verdict;
    int32_t JitterErrors = 0;
    // Sectors paranoia corrected; what was lost and where (DamageText), empty for complete audio.
    int32_t RepairedSectors = 0;
    QString Damage;
    // A secure read's lines (SecureReadLines), empty for a burst read.
    QStringList SecureLines;
    // The title was shortened to make the file's name fit.
    bool NameShortened = false;
    // What the disc says of the track: its pre-gap (in the file before, when it has one), ISRC
    // and pre-emphasis (the audio is left as it is).
    int32_t Pregap = 0;
    QString Isrc;
    bool PreEmphasis = false;
    // A track kept from an earlier log: its block as it was written.
    QStringList KeptBlock;
};

struct RipSession {
    QString Program; // "Quavrel 1.1"
    QDateTime Started;
    QString Drive;
    int32_t ReadOffset = 0;
    QString Format; // "Ogg", as the window's box names it
    // "Qualité Ogg : 5", ...: one line each, as the log shows them.
    QStringList Settings;
    QString Directory;
    QString Artist;
    QString Album;
    QString CddbId;
    // The disc ripped: its tracks' pre-gaps, ISRCs and flags, its catalogue number.
    ::Disc Disc;
    AccurateRipIdentity AccurateRip;
    QString Server;
    bool LookedUp = false;
    AccurateRipLookup Lookup;
    std::vector<ReportTrack> Tracks;
};

// The log: French, a header, one block per track in track order, and a summary.
QString RipLogText(const RipSession &Session);
// The tracks of a log this program wrote, for the disc CddbId ripped as Format; nullopt when
// the text is not such a log (another disc, another format, or no log at all).
std::optional<std::vector<ReportTrack>> TracksOfLog(const QString &Log, const QString &CddbId,
                                                    const QString &Format);
// A cue sheet of the ripped files in track order: one FILE per track, with the album's and the
// tracks' titles and performer, the disc's CATALOG, each track's FLAGS (DCP, PRE, 4CH) and ISRC.
// Gaps go with the track before (as the files hold them): a track's INDEX 00 is in the file of the
// track before it (the hidden track's for track 1), at its place there, and its INDEX 01 starts its
// own file. A pre-gap whose audio is in no ripped file is a PREGAP.
QString CueSheetText(const RipSession &Session);
// The sheet's bytes: Latin-1, as cue sheets were and as libcdio reads them, when every character
// has one; otherwise UTF-8.
QByteArray CueSheetBytes(const QString &Text);
// An extended M3U playlist of the ripped files in track order, relative names.
QString PlaylistText(const RipSession &Session);

// "Piste 3 : AccurateRip exacte (confiance 7)", or "... : non vérifiée ..." and the like.
QString TrackVerdictText(const ReportTrack &Track);
