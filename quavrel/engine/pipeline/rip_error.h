#pragma once
// Why a rip, a track or a file failed, as a value: what kind of failure, the file or sector it
// concerns and the system's own reason. The front ends show RipErrorText, the one French
// wording of each kind.

#include <cstdint>

#include <QString>

enum class RipErrorKind {
    None,
    NoSuchTrack,       // Sector holds the track number asked
    NotAudio,          // Sector holds the track number
    FormatUnavailable, // the format's library is missing (Reason names it)
    OffsetOutsideDisc, // Sector holds the offset in samples
    DriveRefused,      // the drive would not read Sector..LastSector
    Unreadable,        // reading stopped at Sector
    MediumRemoved,
    Folder,    // the output folder Path could not be made
    FileWrite, // Path could not be made, written or put in place
};

struct RipError {
    RipErrorKind Kind = RipErrorKind::None;
    QString Path;
    int32_t Sector = -1;
    int32_t LastSector = -1;
    // The system's or the library's reason, in French ("plus de place sur le disque").
    QString Reason;

    bool Any() const { return Kind != RipErrorKind::None; }
};

// "Erreur : impossible d'écrire le fichier /x/y.flac (plus de place sur le disque)".
QString RipErrorText(const RipError &Error);
// The same without "Erreur : ", to follow another text.
QString RipErrorPhrase(const RipError &Error);

// errno as a French phrase ("plus de place sur le disque"); the system's own text for the rare ones.
QString SystemErrorText(int Errno);
