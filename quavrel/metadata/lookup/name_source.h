#pragma once
// Where the names come from, as "Source des informations" stores it: CDDB, MusicBrainz, or CDDB
// then MusicBrainz when CDDB finds nothing.

#include <optional>

#include <QString>

enum class NameSource { Cddb = 0, MusicBrainz = 1, Both = 2 };

// "cddb", "musicbrainz", "both"; nothing for any other text.
std::optional<NameSource> ParseNameSource(const QString &Text);
