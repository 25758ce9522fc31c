#pragma once
// Where the names come from, as the window's "Source des informations" has it: CDDB, MusicBrainz,
// or CDDB then MusicBrainz when CDDB finds nothing.

#include "quavrel/cli/disc_lookup.h"

#include <optional>

#include <QUrl>

class InterruptWatch;

// The stored index of "Source des informations".
enum class NameSource { Cddb = 0, MusicBrainz = 1, Both = 2 };

// "cddb", "musicbrainz", "both"; nothing for any other text.
std::optional<NameSource> ParseNameSource(const QString &Text);

// The disc looked up on the chosen source(s). A MusicBrainz release is a match whose category
// reads "MusicBrainz"; with Both, MusicBrainz is asked only when CDDB found nothing, and its
// message replaces CDDB's only when it found nothing either. Ctrl-C (Watch) aborts either request.
DiscLookup LookUpNames(const TCdToc &Toc, const CddbServerTexts &Server, bool Utf8, int Choice,
                       const MatchChooser &Chooser, NameSource Source, const QUrl &MusicBrainzBase,
                       InterruptWatch &Watch);
