#pragma once
// The columns of the track list and the formats of the format boxes, by their index.

#include <QString>

enum TrackColumn : int {
    kNumberColumn = 0,   // "N° de piste", the row's caption and check box
    kNameColumn = 1,     // "Nom"
    kDurationColumn = 2, // "Durée"
    kEncodingColumn = 3, // "Encodage" (audio rows only)
    kSizeColumn = 4,     // "Taille encodée" (audio rows only)
};

// The name the hidden track's row shows until it is renamed: no title of the disc's.
inline const QString kHiddenTrackRowName = QStringLiteral("Piste 0 — piste cachée");

// Items of ComboBox1 and RadioGroup1.
enum EncoderFormat : int {
    kFormatOgg = 0,
    kFormatMp3 = 1,
    kFormatWav = 2,
    kFormatFlac = 3,
    kFormatOpus = 4,
};
