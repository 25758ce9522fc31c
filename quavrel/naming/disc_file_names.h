#pragma once
// The file names of a disc's tracks. A track's name depends on the disc, its names and the
// naming rules only, never on which tracks one command rips: two tracks called "Intro" are
// "Intro" and "Intro (2)" in track order over the whole disc, whichever of them is ripped.

#include "quavrel/disc/disc.h"
#include "quavrel/metadata/lookup/disc_metadata.h"

#include <vector>

#include <QString>

struct NamingRules {
    bool WithNumber = true; // "Numéro de Piste"
    bool WithName = false;  // "Nom de Piste"
};

struct TrackFileName {
    int Track = 0;
    QString Base; // without the extension
    // The title had to be shortened for the name to fit the file system.
    bool Shortened = false;
};

// One entry per audio track, in disc order, the hidden track (0) first when the disc has one. Extension
// (".flac") counts against the file system's limit of a name, with the temporary name a file is written under
// first.
std::vector<TrackFileName> DiscFileNames(const Disc &Disc, const DiscMetadata &Metadata,
                                         const NamingRules &Rules, const QString &Extension);
