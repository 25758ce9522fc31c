#pragma once
// The tags of a finished MP3 file: an ID3v2.3 tag at its start, with UTF-16 texts (the version
// and encoding the most players read), and an ID3v1 tag at its end for the oldest ones. The
// audio frames, the Info frame first, are left as they are.

#include "quavrel/engine/tags/track_tags.h"

#include <QString>

// Replaces any tag of the file at Path with Tags. False with the reason in Error.
bool WriteMp3Tags(const QString &Path, const TrackTags &Tags, QString &Error);

// The TXXX description of the CDDB disc ID.
inline constexpr const char *kId3DiscIdDescription = "CDDB DiscID";
