#pragma once
// What a finished file gets beside its track's names: the ReplayGain values and the front cover.
// Written by TagLib into the file in place (FLAC and Ogg comments, ID3v2 frames), after the
// encoder is done with it; the audio is never touched.
//   FLAC, Ogg Vorbis: REPLAYGAIN_TRACK_GAIN/PEAK, REPLAYGAIN_ALBUM_GAIN/PEAK comments; the cover
//     as a PICTURE block (FLAC) or a METADATA_BLOCK_PICTURE comment (Ogg), front cover (type 3).
//   Ogg Opus: R128_TRACK_GAIN / R128_ALBUM_GAIN (Q7.8 dB to -23 LUFS, as Opus players apply them
//     over the header's gain), and the cover as for Ogg.
//   MP3: TXXX frames of the ReplayGain names, and an APIC frame (front cover).
//   WAV: nothing.

#include <optional>

#include <QByteArray>
#include <QString>

struct CoverImage {
    QByteArray Data;
    QString MimeType; // "image/jpeg" or "image/png"

    bool Empty() const { return Data.isEmpty(); }
};

struct FileExtras {
    // In dB, and as a fraction of full scale.
    std::optional<double> TrackGain;
    std::optional<double> TrackPeak;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
    CoverImage Cover;

    bool Empty() const { return !TrackGain && !TrackPeak && !AlbumGain && !AlbumPeak && Cover.Empty(); }
};

// Whether files of this extension (".flac") can hold a picture.
bool CanEmbedCover(const QString &Extension);
// Adds Extras to the file at Path, of the format its Extension names; values already there under
// the same names are replaced, so the album's values can be added to a file that has its track's.
// A format that carries none (WAV) is left alone. False with the reason in Error.
bool AddFileExtras(const QString &Path, const QString &Extension, const FileExtras &Extras, QString &Error);

// "-3.45 dB", "0.987654": the texts ReplayGain readers expect.
QString GainText(double Gain);
QString PeakText(double Peak);
// An R128 gain of Opus for a ReplayGain gain: Q7.8, referenced to -23 LUFS.
int R128GainOf(double ReplayGain);
// The picture's type from its first bytes: "image/jpeg", "image/png", or empty for anything else.
QString ImageMimeType(const QByteArray &Data);
