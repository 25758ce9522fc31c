#pragma once
// The window's stored settings that decide a rip and a lookup, read from the same settings file
// ("Software\Quavrel") with the same rules, for a program without the window. Combo boxes are
// stored as item indexes; the item lists are the window's.

#include <QMap>
#include <QString>
#include <QStringList>

struct RipSettings {
    QString OutputRoot;       // "Répertoire"; the documents folder when absent
    QString Server;           // "Nom de Serveur"
    QString CgiPath;          // "Localisation du Serveur"
    int Format = 0;           // "Encodeur": 0 Ogg, 1 Mp3, 2 Wav, 3 Flac, 4 Opus
    int OggQualityIndex = 5;  // "Paramètres Ogg"
    int FlacCompression = 5;  // "Paramètres Flac": the level, 0..8
    int OpusBitrateIndex = 3; // "Paramètres Opus": 160 kbit/s
    int SampleRateIndex = 0;  // "Fréquence Mp3"
    int BitrateIndex = 1;     // "Débit Mp3"
    int MaxBitrateIndex = 0;  // "Débit Max Mp3"
    bool Vbr = false;
    bool Copyright = false;
    bool Original = false;
    bool Crc = true;
    bool WithNumber = true;    // "Numéro de Piste"
    bool WithName = false;     // "Nom de Piste"
    bool ByArtist = true;      // "Nom des Répertoires"
    bool Utf8Texts = false;    // "Textes en UTF-8": CDDB protocol level 6
    int Source = 2;            // "Source des informations": 0 CDDB, 1 MusicBrainz, 2 CDDB then MusicBrainz
    QString MusicBrainzServer; // "Serveur MusicBrainz"; empty: the service's own address
    QString AccurateRipServer; // "Serveur AccurateRip"
    QMap<QString, int> ReadOffsets;     // "Décalages de lecture", by drive name
    QMap<QString, QString> DriveCaches; // "Cache audio des lecteurs", by drive name: "oui", "non", "fua"
    int Cover = 2;                      // "Pochette": 0 aucune, 1 fichier, 2 intégrée, 3 les deux
    bool ReplayGain = true;             // "ReplayGain"
    QString CoverArtServer;             // "Serveur Cover Art Archive"
    int Workers = 0;                    // "Encodeurs en parallèle": 0 one per core, else 1..64
    // Off by default: a secure rip reads the disc at least twice.
    bool Secure = false;   // "Lecture sûre": test and copy, differing areas read again
    int SecureTries = 16;  // "Relectures": 1..kMaxSecureTries per differing area
    int SecureMatches = 2; // "Lectures identiques": kMinSecureMatches..kMaxSecureMatches

    int OggQuality() const;
    int SampleRate() const;
    int Bitrate() const;
    int MaxBitrate() const;
    int OpusBitrate() const;
};

// The most encoders a rip runs at once.
constexpr int kMaxWorkers = 64;
// A secure rip's bounds: re-reads of a differing area, and identical reads it needs.
constexpr int kMaxSecureTries = 99;
constexpr int kMinSecureMatches = 2;
constexpr int kMaxSecureMatches = 9;

// The items of the window's boxes, in their order.
const QStringList &OggQualityItems();
const QStringList &SampleRateItems();
const QStringList &BitrateItems();
const QStringList &MaxBitrateItems();
const QStringList &OpusBitrateItems();
// "aucune", "fichier", "intégrée", "les deux": the "Pochette" box.
const QStringList &CoverItems();

// Where covers are asked when nothing is stored: the Cover Art Archive's own address, or what
// QUAVREL_COVERART_SERVER names (tests point it at a server of their own).
QString DefaultCoverArtServer();

// Reads the stored values over the defaults. Problem is empty, or says in French what could not
// be read (a file that cannot be read or was set aside, integers that do not convert); the defaults
// then apply to what was not read. The values are never written back.
RipSettings ReadRipSettings(QString &Problem);

// Records what a rip measured of Drive's cache ("oui", "non", "fua") in "Cache audio des
// lecteurs", every other stored value kept. False with Problem, in French, when it cannot.
bool StoreDriveCache(const QString &Drive, const QString &Word, QString &Problem);
