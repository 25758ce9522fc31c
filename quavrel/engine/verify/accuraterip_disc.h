#pragma once
// A disc as the AccurateRip database files it: the name and address of its file, and the
// checksums it keeps of each audio track.

#include "quavrel/disc/disc.h"
#include "quavrel/engine/verify/track_checksums.h"

#include <QString>

// "dBAR-NNN-AAAAAAAA-BBBBBBBB-CCCCCCCC.bin"
QString AccurateRipFileName(const AccurateRipIdentity &Ids);
// Server + "/accuraterip/X/Y/Z/" + the file name, X Y Z the last three hex digits of Id1, last
// first. Server is "http://host[:port]", with or without a final "/".
QString AccurateRipUrl(const QString &Server, const AccurateRipIdentity &Ids);

// The checksums of audio track Number of Disc, over its sectors as the rip reads them: the
// disc's first audio track leaves out its first 2939 frames, its last its final 2940.
TrackChecksums ChecksumsOfTrack(const Disc &Disc, int Number);
